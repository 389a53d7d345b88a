// Message box, input box, file dialog, and the commands that show them.
#include "runtime/ui/dialogs.h"

#include "runtime/ui/model.h"
#include "runtime/ui/widgets.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleValidator>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QVBoxLayout>

#include <algorithm>

namespace rtui {

void add_ok_cancel(QDialog& dialog, QBoxLayout* layout)
{
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QString::fromUtf8("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QString::fromUtf8("取消"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
}

namespace {

DialogBackend* backend = nullptr;

const char* button_text(int32_t id)
{
    static const char* const texts[] = {"确定", "取消", "中止", "重试", "忽略", "是", "否"};
    return id >= 0 && id <= 6 ? texts[id] : "确定";
}

} // namespace

DialogBackend* dialog_backend() { return backend; }

std::vector<int32_t> message_box_buttons(int32_t style)
{
    switch (style & 0xF) {
    case 1:
        return {0, 1};
    case 2:
        return {2, 3, 4};
    case 3:
        return {5, 6, 1};
    case 4:
        return {5, 6};
    case 5:
        return {3, 1};
    default:
        return {0};
    }
}

int32_t message_box_escape(int32_t style)
{
    const auto buttons = message_box_buttons(style);
    if (std::find(buttons.begin(), buttons.end(), 1) != buttons.end())
        return 1;
    return buttons.back();
}

int32_t message_box_result(int32_t style, int32_t answer)
{
    const auto buttons = message_box_buttons(style);
    return std::find(buttons.begin(), buttons.end(), answer) != buttons.end() ? answer : message_box_escape(style);
}

std::string file_dialog_filter(const std::string& pairs)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t bar = pairs.find('|', start);
        parts.push_back(pairs.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    std::string out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string patterns = parts[i + 1];
        std::replace(patterns.begin(), patterns.end(), ';', ' ');
        if (patterns.empty())
            continue;
        if (!out.empty())
            out += ";;";
        out += parts[i] + " (" + patterns + ")";
    }
    return out;
}

namespace {

// How wide a message box must be for a window manager to show `title`
// whole in its title bar.
int message_box_width_for_title(const QString& title)
{
    // The window manager draws the title in a font of its own, often bold,
    // beside an icon and three buttons; measured in our font made bold, with
    // room for those, the title fits whole under the usual managers.
    QFont font = QApplication::font();
    font.setBold(true);
    constexpr int kTitleBarButtons = 4 * 24 + 24;
    return QFontMetrics(font).horizontalAdvance(title) + kTitleBarButtons;
}

} // namespace

int32_t show_message_box(const std::string& text, int32_t style, const std::string& title)
{
    QMessageBox box;
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(QString::fromStdString(text));
    // The box sizes itself for its text only: a row of no height that is as
    // wide as the title needs keeps a long title from being cut.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(message_box_width_for_title(box.windowTitle()), 0, QSizePolicy::Fixed,
                                      QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    switch (style & 0xF0) {
    case 0x10:
        box.setIcon(QMessageBox::Critical);
        break;
    case 0x20:
        box.setIcon(QMessageBox::Question);
        break;
    case 0x30:
        box.setIcon(QMessageBox::Warning);
        break;
    case 0x40:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    const auto ids = message_box_buttons(style);
    std::vector<QPushButton*> buttons;
    for (int32_t id : ids)
        buttons.push_back(box.addButton(QString::fromUtf8(button_text(id)),
                                        id == 1 ? QMessageBox::RejectRole : QMessageBox::AcceptRole));
    const size_t def = std::min<size_t>(static_cast<size_t>((style >> 8) & 0xF), buttons.size() - 1);
    box.setDefaultButton(buttons[def]);
    const int32_t escape = message_box_escape(style);
    box.setEscapeButton(buttons[static_cast<size_t>(std::find(ids.begin(), ids.end(), escape) - ids.begin())]);
    box.exec();
    auto* clicked = box.clickedButton();
    for (size_t i = 0; i < buttons.size(); ++i)
        if (clicked == buttons[i])
            return ids[i];
    return escape;
}

bool show_input_box(const std::string& prompt, const std::string& title, const std::string& initial, int mode,
                    std::string& entry)
{
    QDialog dlg;
    if (!title.empty())
        dlg.setWindowTitle(QString::fromStdString(title));
    auto* layout = new QVBoxLayout(&dlg);
    auto* label = new QLabel(QString::fromStdString(prompt), &dlg);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* edit = new QLineEdit(QString::fromStdString(initial), &dlg);
    edit->setMinimumWidth(320);
    if (mode == 2)
        edit->setValidator(new QIntValidator(edit));
    else if (mode == 3)
        edit->setValidator(new QDoubleValidator(edit));
    else if (mode == 4)
        mask_entry(edit);
    edit->selectAll();
    layout->addWidget(edit);
    add_ok_cancel(dlg, layout);
    edit->setFocus();
    if (dlg.exec() != QDialog::Accepted)
        return false;
    entry = edit->text().toStdString();
    return true;
}

namespace {

// The kind of each entry in the file list. The toolkit's own words for it
// ("Folder", "jpg File") have no Chinese translation.
class ChineseFileTypes : public QFileIconProvider {
public:
    QString type(const QFileInfo& info) const override
    {
        if (info.isDir())
            return QString::fromUtf8(info.isRoot() ? "驱动器" : "文件夹");
        const QString suffix = info.suffix();
        return suffix.isEmpty() ? QString::fromUtf8("文件") : suffix + QString::fromUtf8(" 文件");
    }
};

} // namespace

bool show_file_dialog(bool save, const std::string& filter, std::string& path)
{
    QString dir;
    if (!path.empty())
        dir = QFileInfo(QString::fromStdString(path)).absolutePath();
    QFileDialog dlg(nullptr, QString(), dir, QString::fromStdString(file_dialog_filter(filter)));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    // The filter list shows each description as the handler wrote it, which
    // often names its patterns already ("图形文件(*.jpg)"); the patterns we
    // add for the toolkit stay out of sight.
    dlg.setOption(QFileDialog::HideNameFilterDetails);
    ChineseFileTypes types;
    dlg.setIconProvider(&types);
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return false;
    path = QDir::toNativeSeparators(dlg.selectedFiles().first()).toStdString();
    return true;
}

} // namespace rtui

using namespace rtui;

void rt_set_dialog_backend(DialogBackend* b) { backend = b; }

int32_t rt_message_box(std::string_view text, int32_t style, std::optional<std::string> title)
{
    const std::string t = title ? *title : std::string("信息：");
    ModalScope modal;
    const int32_t answer = backend ? backend->message_box(std::string(text), style, t)
                                   : show_message_box(std::string(text), style, t);
    return message_box_result(style, answer);
}

bool rt_input_box(std::string_view prompt, std::string_view title, std::string_view initial, std::string& variable,
                  int mode)
{
    mode = std::clamp(mode, 1, 4);
    ModalScope modal;
    std::string entry;
    const bool ok = backend ? backend->input_box(std::string(prompt), std::string(title), std::string(initial), mode,
                                                 entry)
                            : show_input_box(std::string(prompt), std::string(title), std::string(initial), mode,
                                             entry);
    if (ok)
        variable = entry;
    return ok;
}

bool rt_dialog_open(UnitRef dialog)
{
    auto w = loaded_window(dialog.window);
    Unit* u = find_unit(w, dialog.unit);
    if (!u || u->type != UnitType::CommonDialog)
        return false;
    ModalScope modal;
    switch (u->dialog_kind) {
    case 0:
    case 1: {
        std::string path = u->file;
        const bool ok = backend ? backend->open_file(u->filter, path)
                                : show_file_dialog(u->dialog_kind == 1, u->filter, path);
        if (ok)
            u->file = path;
        return ok;
    }
    case 2: {
        FontChoice choice = u->font_choice;
        const bool ok = backend ? backend->choose_font(choice) : show_font_dialog(choice);
        if (ok)
            u->font_choice = choice;
        return ok;
    }
    default:
        return false;
    }
}
