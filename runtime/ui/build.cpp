// Building a window's widgets and units from its definition.
#include "runtime/ui/events.h"
#include "runtime/ui/model.h"
#include "runtime/ui/widgets.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <map>

namespace rtui {

namespace {

bool has_widget(UnitType t)
{
    switch (t) {
    case UnitType::CommonDialog:
    case UnitType::Timer:
    case UnitType::AnimationObject:
    case UnitType::MenuItem:
    case UnitType::Window:
        return false;
    default:
        return true;
    }
}

Qt::Alignment label_alignment(int align)
{
    return align == 1 ? Qt::AlignHCenter : align == 2 ? Qt::AlignRight : Qt::AlignLeft;
}

void apply_colors(QWidget* widget, const UnitDef& d)
{
    if (!d.text_color && !d.back_color)
        return;
    QPalette pal = widget->palette();
    if (d.text_color) {
        const QColor c = color_from_ref(*d.text_color);
        pal.setColor(QPalette::WindowText, c);
        pal.setColor(QPalette::Text, c);
        pal.setColor(QPalette::ButtonText, c);
    }
    if (d.back_color) {
        const QColor c = color_from_ref(*d.back_color);
        pal.setColor(QPalette::Window, c);
        pal.setColor(QPalette::Base, c);
        pal.setColor(QPalette::Button, c);
        widget->setAutoFillBackground(true);
    }
    widget->setPalette(pal);
}

void untick_sibling_radios(const std::shared_ptr<Window>& w, const Unit& clicked)
{
    for (Unit& u : w->units)
        if (u.type == UnitType::RadioBox && u.id != clicked.id && u.parent == clicked.parent && u.widget)
            static_cast<QRadioButton*>(u.widget.data())->setChecked(false);
}

QWidget* make_widget(const std::shared_ptr<Window>& w, Unit& u, QWidget* parent)
{
    const UnitDef& d = *u.def;
    const UnitRef ref{w->id, u.id};
    const QString caption = QString::fromStdString(d.caption);
    switch (u.type) {
    case UnitType::Button: {
        auto* b = new QPushButton(caption, parent);
        QObject::connect(b, &QPushButton::clicked, b, [ref] { raise_event(ref, E_CLICK); });
        return b;
    }
    case UnitType::ImageButton: {
        auto* b = new ImageButton(parent);
        b->picture().set(d.picture);
        QObject::connect(b, &QAbstractButton::clicked, b, [ref] { raise_event(ref, E_CLICK); });
        return b;
    }
    case UnitType::EditBox: {
        if (d.multiline) {
            auto* e = new QPlainTextEdit(caption, parent);
            tag_widget(e->viewport(), ref);
            watch_input(e->viewport());
            return e;
        }
        auto* e = new QLineEdit(caption, parent);
        if (d.masked)
            mask_entry(e);
        e->setAlignment(label_alignment(d.align) | Qt::AlignVCenter);
        return e;
    }
    case UnitType::Label: {
        auto* l = new QLabel(caption, parent);
        l->setAlignment(label_alignment(d.align) | (d.valign == 1   ? Qt::AlignVCenter
                                                    : d.valign == 2 ? Qt::AlignBottom
                                                                    : Qt::AlignTop));
        l->setWordWrap(d.word_wrap);
        return l;
    }
    case UnitType::TransparentLabel: {
        auto* l = new TransparentLabel(parent);
        l->set_text(d.caption);
        if (d.font) {
            FontValue f;
            f.bold = d.font->bold;
            f.italic = d.font->italic;
            f.strikeout = d.font->strikeout;
            f.underline = d.font->underline;
            f.size_pt = points_from_pixels(d.font->height_px);
            f.face = d.font->face;
            l->set_font_record(f, d.font->height_px);
        }
        l->set_color(d.text_color.value_or(0));
        l->set_align(d.align);
        l->set_valign(d.valign);
        l->set_wrap(d.word_wrap);
        l->set_effect(d.effect);
        return l;
    }
    case UnitType::PictureBox: {
        auto* p = new PictureBox(parent);
        p->set_border(d.border);
        p->picture().set(d.picture, QSize(d.width, d.height));
        return p;
    }
    case UnitType::DrawingBoard: {
        auto* b = new DrawingBoard(parent);
        if (d.back_color)
            b->set_back_color(color_from_ref(*d.back_color));
        b->picture().set(d.picture, QSize(d.width, d.height));
        return b;
    }
    case UnitType::CheckBox: {
        auto* c = new CheckBox(parent);
        c->setText(caption);
        c->setChecked(d.checked);
        QObject::connect(c, &QCheckBox::clicked, c, [ref] { raise_event(ref, E_CLICK); });
        return c;
    }
    case UnitType::RadioBox: {
        auto* r = new RadioBox(parent);
        r->setText(caption);
        r->setChecked(d.checked);
        std::weak_ptr<Window> weak = w;
        const int id = u.id;
        QObject::connect(r, &QRadioButton::clicked, r, [weak, id, ref] {
            if (auto win = weak.lock()) {
                if (const Unit* self = find_unit(win, id))
                    untick_sibling_radios(win, *self);
                raise_event(ref, E_CLICK);
            }
        });
        return r;
    }
    case UnitType::GroupBox:
        return new QGroupBox(caption, parent);
    case UnitType::ShapeBox: {
        auto* s = new ShapeBox(parent);
        if (d.back_color)
            s->set_fill(color_from_ref(*d.back_color));
        s->set_line(d.text_color ? color_from_ref(*d.text_color) : QColor(Qt::black), d.border);
        return s;
    }
    case UnitType::AnimationBox: {
        auto* a = new AnimationBox(parent);
        if (d.back_color)
            a->set_back_color(color_from_ref(*d.back_color));
        return a;
    }
    default:
        return nullptr;
    }
}

void setup_widget(const std::shared_ptr<Window>& w, Unit& u, QWidget* widget)
{
    const UnitDef& d = *u.def;
    u.widget = widget;
    tag_widget(widget, {w->id, u.id});
    widget->setAttribute(Qt::WA_NoMousePropagation);
    watch_input(widget);
    widget->setGeometry(d.left, d.top, d.width, d.height);
    if (d.font && u.type != UnitType::TransparentLabel)
        widget->setFont(make_font(d.font->face, d.font->height_px, d.font->bold, d.font->italic,
                                  d.font->underline, d.font->strikeout));
    if (u.type != UnitType::DrawingBoard && u.type != UnitType::ShapeBox && u.type != UnitType::AnimationBox &&
        u.type != UnitType::TransparentLabel)
        apply_colors(widget, d);
    switch (u.type) {
    case UnitType::Button:
    case UnitType::CheckBox:
    case UnitType::RadioBox:
    case UnitType::EditBox:
        widget->setFocusPolicy((d.flags & F_FOCUS_STOP) ? Qt::StrongFocus : Qt::ClickFocus);
        break;
    default:
        break;
    }
    if (!d.cursor.empty())
        set_unit_cursor(u, d.cursor);
    widget->setEnabled(!(d.flags & F_DISABLED));
    // Explicit, so that "visible" reads back right before the window shows.
    widget->setVisible(d.flags & F_VISIBLE);
}

void setup_plain_unit(const std::shared_ptr<Window>& w, Unit& u)
{
    const UnitDef& d = *u.def;
    u.geometry = QRect(d.left, d.top, d.width, d.height);
    u.visible = d.flags & F_VISIBLE;
    u.disabled = d.flags & F_DISABLED;
    u.cursor = d.cursor;
    switch (u.type) {
    case UnitType::Timer: {
        auto* t = new QTimer(w->widget);
        t->setTimerType(Qt::PreciseTimer);
        const UnitRef ref{w->id, u.id};
        QObject::connect(t, &QTimer::timeout, t, [ref] { raise_event(ref, E_TICK); });
        u.timer = t;
        u.interval = d.interval;
        if (d.interval > 0)
            t->start(d.interval);
        break;
    }
    case UnitType::CommonDialog:
        u.dialog_kind = d.dialog_kind;
        if (d.font) {
            u.font_choice.face = d.font->face;
            u.font_choice.size_pt = points_from_pixels(d.font->height_px);
            u.font_choice.bold = d.font->bold;
            u.font_choice.italic = d.font->italic;
            u.font_choice.underline = d.font->underline;
            u.font_choice.strikeout = d.font->strikeout;
        } else {
            u.font_choice.face = "宋体";
        }
        u.font_choice.color = d.text_color.value_or(0);
        break;
    case UnitType::AnimationObject:
        u.picture = d.picture;
        break;
    case UnitType::MenuItem:
        u.caption = d.caption.empty() ? d.name : d.caption;
        u.visible = !(d.flags & M_HIDDEN);
        u.disabled = d.flags & M_GREYED;
        u.checked = d.flags & M_TICKED;
        break;
    default:
        break;
    }
}

} // namespace

void build_window(const std::shared_ptr<Window>& wp)
{
    Window& w = *wp;
    const WindowDef& d = *w.def;
    auto* ww = new WindowWidget(wp, nullptr);
    w.widget = ww;
    ww->setWindowTitle(QString::fromStdString(d.title));
    ww->setWindowFlag(Qt::FramelessWindowHint, d.border == 0);
    // Made now, the platform window tells its frame before the window shows
    // where the platform knows it that early.
    ww->winId();
    ww->place(QPoint(d.left, d.top));
    ww->set_outer_size(QSize(std::max(d.width, 1), std::max(d.height, 1)));
    if (d.back_color)
        ww->set_back_color(color_from_ref(*d.back_color));
    ww->picture().set(d.picture);
    tag_widget(ww, {w.id, 0});
    watch_input(ww);
    w.want_visible = d.visible;
    w.reported_size = ww->size();

    w.units.resize(d.units.size() + 1);
    Unit& self = w.units[0];
    self.type = UnitType::Window;
    self.name = d.name;
    self.widget = ww;

    std::map<std::string, int> by_name;
    for (size_t i = 0; i < d.units.size(); ++i) {
        Unit& u = w.units[i + 1];
        u.id = static_cast<int>(i + 1);
        u.def = &d.units[i];
        u.type = u.def->type;
        u.name = u.def->name;
        by_name.emplace(u.name, u.id);
    }
    for (size_t i = 1; i < w.units.size(); ++i) {
        Unit& u = w.units[i];
        auto it = by_name.find(u.def->parent);
        u.parent = (u.def->parent.empty() || it == by_name.end() || it->second == u.id) ? 0 : it->second;
    }

    // Parents before children; among siblings the definition order is the
    // stacking order (later ones on top).
    std::vector<bool> done(w.units.size(), false);
    done[0] = true;
    size_t remaining = d.units.size();
    bool forced = false;
    while (remaining > 0) {
        bool progress = false;
        for (size_t i = 1; i < w.units.size(); ++i) {
            Unit& u = w.units[i];
            if (done[i] || (!forced && !done[static_cast<size_t>(u.parent)]))
                continue;
            if (!done[static_cast<size_t>(u.parent)])
                u.parent = 0;  // a cycle of parents: hang it on the window
            done[i] = true;
            --remaining;
            progress = true;
            if (!has_widget(u.type)) {
                setup_plain_unit(wp, u);
                continue;
            }
            QWidget* parent = w.units[static_cast<size_t>(u.parent)].widget;
            if (!parent)
                parent = ww;
            setup_widget(wp, u, make_widget(wp, u, parent));
        }
        forced = !progress;
    }
}

} // namespace rtui
