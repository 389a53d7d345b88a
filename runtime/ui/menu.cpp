// Pop-up menus built from a window's hidden menu items.
#include "runtime/ui/model.h"
#include "runtime/ui/widgets.h"

#include <QCursor>
#include <QMenu>

#include <map>

namespace rtui {

namespace {

struct MenuBuild {
    std::map<QAction*, int> ids;
    std::vector<std::string> names;
    std::map<std::string, int> enabled_by_name;
};

bool has_children(const Window& w, int id)
{
    for (const Unit& u : w.units)
        if (u.type == UnitType::MenuItem && u.parent == id && u.id != id)
            return true;
    return false;
}

void fill(QMenu& menu, const Window& w, int parent, bool enabled, MenuBuild& out, int depth)
{
    if (depth > 16)  // a definition whose items name each other as parents
        return;
    for (const Unit& u : w.units) {
        if (u.type != UnitType::MenuItem || u.parent != parent || u.id == parent || !u.visible)
            continue;
        const QString caption = QString::fromStdString(u.caption);
        out.names.push_back(u.name);
        if (u.caption == "-") {
            menu.addSeparator();
            continue;
        }
        const bool on = enabled && !u.disabled;
        if (has_children(w, u.id)) {
            QMenu* sub = menu.addMenu(caption);
            sub->setEnabled(on);
            fill(*sub, w, u.id, on, out, depth + 1);
            continue;
        }
        QAction* a = menu.addAction(caption);
        a->setEnabled(on);
        if (u.checked) {
            a->setCheckable(true);
            a->setChecked(true);
        }
        out.ids[a] = u.id;
        if (on)
            out.enabled_by_name.emplace(u.name, u.id);
    }
}

} // namespace

} // namespace rtui

using namespace rtui;

void rt_popup_menu(UnitRef window, UnitRef menu, std::optional<int32_t> x, std::optional<int32_t> y)
{
    auto w = loaded_window(menu.window);
    const Unit* root = find_unit(w, menu.unit);
    if (!root || root->type != UnitType::MenuItem)
        return;
    QMenu popup;
    MenuBuild built;
    fill(popup, *w, root->id, !root->disabled, built, 0);

    int chosen = 0;
    if (DialogBackend* backend = dialog_backend()) {
        auto it = built.enabled_by_name.find(backend->popup_menu(built.names));
        chosen = it == built.enabled_by_name.end() ? 0 : it->second;
    } else if (!built.ids.empty()) {
        QPoint at = QCursor::pos() + QPoint(3, 3);
        if (x && y) {
            auto owner = loaded_window(window.window);
            const QPoint local(*x, *y);
            at = owner && owner->widget ? owner->widget->mapToGlobal(local) : local;
        }
        QAction* a = popup.exec(at);
        if (a && built.ids.count(a))
            chosen = built.ids[a];
    }
    // The item's handler runs once the menu has gone.
    if (chosen)
        raise_event({menu.window, chosen}, E_CLICK);
}
