// Unit properties by number.
#include "runtime/ui/events.h"
#include "runtime/ui/model.h"
#include "runtime/ui/widgets.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace rtui {

namespace {

int32_t as_int(const RtValue& v)
{
    if (auto p = std::get_if<int32_t>(&v))
        return *p;
    if (auto p = std::get_if<bool>(&v))
        return *p ? 1 : 0;
    if (auto p = std::get_if<double>(&v)) {
        if (!std::isfinite(*p) || *p >= 2147483648.0 || *p <= -2147483649.0)
            return INT32_MIN;
        return static_cast<int32_t>(*p);
    }
    if (auto p = std::get_if<std::string>(&v))
        return static_cast<int32_t>(std::strtol(p->c_str(), nullptr, 10));
    return 0;
}

bool as_bool(const RtValue& v)
{
    if (auto p = std::get_if<bool>(&v))
        return *p;
    if (auto p = std::get_if<std::string>(&v))
        return *p == "真";
    return as_int(v) != 0;
}

std::string as_text(const RtValue& v)
{
    if (auto p = std::get_if<std::string>(&v))
        return *p;
    if (auto p = std::get_if<int32_t>(&v))
        return std::to_string(*p);
    if (auto p = std::get_if<bool>(&v))
        return *p ? "真" : "假";
    if (auto p = std::get_if<double>(&v)) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.13g", *p);
        return buf;
    }
    if (auto p = std::get_if<Bytes>(&v)) {
        std::string s(p->begin(), p->end());
        return s.substr(0, s.find('\0'));
    }
    if (auto p = std::get_if<FontValue>(&v))
        return p->face;
    return {};
}

Bytes as_bytes(const RtValue& v)
{
    if (auto p = std::get_if<Bytes>(&v))
        return *p;
    if (auto p = std::get_if<std::string>(&v))
        return Bytes(p->begin(), p->end());
    return {};
}

QString qtext(const RtValue& v) { return QString::fromStdString(as_text(v)); }

// Geometry, visibility, enabled state and pointer: what every unit has.
std::optional<RtValue> read_common(const Window& w, const Unit& u, int prop)
{
    QWidget* widget = u.widget;
    const bool is_window = u.id == 0;
    switch (prop) {
    case P_LEFT:
        if (is_window && w.widget)
            return w.widget->outer_pos().x();
        return widget ? widget->x() : u.geometry.x();
    case P_TOP:
        if (is_window && w.widget)
            return w.widget->outer_pos().y();
        return widget ? widget->y() : u.geometry.y();
    case P_WIDTH:
        if (is_window && w.widget)
            return w.widget->outer_size().width();
        return widget ? widget->width() : u.geometry.width();
    case P_HEIGHT:
        if (is_window && w.widget)
            return w.widget->outer_size().height();
        return widget ? widget->height() : u.geometry.height();
    case P_VISIBLE:
        if (is_window)
            return w.want_visible;
        return widget ? widget->isVisibleTo(widget->parentWidget()) : u.visible;
    case P_DISABLED:
        if (is_window)
            return widget && (!widget->isEnabled() || input_blocked(widget));
        return widget ? !widget->isEnabledTo(widget->parentWidget()) : u.disabled;
    case P_MOUSE_POINTER:
        return u.cursor;
    default:
        return std::nullopt;
    }
}

// Rectangles are kept by their corners: places and sizes near the 32-bit
// limits (a damaged settings file holds such) would overflow them.
constexpr int32_t kFarthest = 1 << 24;

bool write_common(const std::shared_ptr<Window>& w, Unit& u, int prop, const RtValue& v)
{
    QWidget* widget = u.widget;
    const bool is_window = u.id == 0;
    switch (prop) {
    case P_LEFT:
    case P_TOP: {
        const int n = std::clamp(as_int(v), -kFarthest, kFarthest);
        if (is_window && w->widget) {
            const QPoint at = w->widget->outer_pos();
            w->widget->place(QPoint(prop == P_LEFT ? n : at.x(), prop == P_TOP ? n : at.y()));
        } else if (widget) {
            widget->move(prop == P_LEFT ? n : widget->x(), prop == P_TOP ? n : widget->y());
        } else {
            u.geometry.moveTo(prop == P_LEFT ? n : u.geometry.x(), prop == P_TOP ? n : u.geometry.y());
        }
        return true;
    }
    case P_WIDTH:
    case P_HEIGHT: {
        const int n = std::clamp(as_int(v), 0, kFarthest - 1);
        if (is_window && w->widget) {
            const QSize outer = w->widget->outer_size();
            w->widget->set_outer_size(QSize(prop == P_WIDTH ? n : outer.width(), prop == P_HEIGHT ? n : outer.height()));
            report_size(w);
        } else if (widget) {
            widget->resize(prop == P_WIDTH ? n : widget->width(), prop == P_HEIGHT ? n : widget->height());
        } else {
            u.geometry.setSize(QSize(prop == P_WIDTH ? n : u.geometry.width(), prop == P_HEIGHT ? n : u.geometry.height()));
        }
        return true;
    }
    case P_VISIBLE: {
        const bool b = as_bool(v);
        if (is_window) {
            w->want_visible = b;
            if (!w->creating && w->loaded) {
                if (b)
                    show_window(w);
                else if (widget)
                    widget->hide();
            }
        } else if (widget) {
            widget->setVisible(b);
        } else {
            u.visible = b;
        }
        return true;
    }
    case P_DISABLED:
        if (widget)
            widget->setEnabled(!as_bool(v));
        else
            u.disabled = as_bool(v);
        return true;
    case P_MOUSE_POINTER:
        set_unit_cursor(u, as_bytes(v));
        return true;
    default:
        return false;
    }
}

RtValue font_member(const FontValue& f, int member)
{
    switch (member) {
    case 0:
        return f.reserved;
    case 1:
        return f.bold;
    case 2:
        return f.italic;
    case 3:
        return f.strikeout;
    case 4:
        return f.underline;
    case 5:
        return f.size_pt;
    case 6:
        return f.face;
    default:
        return f;
    }
}

void set_font_member(TransparentLabel* l, int member, const RtValue& v)
{
    if (member < 0 || member > 6) {
        if (auto f = std::get_if<FontValue>(&v))
            l->set_font_record(*f);
        return;
    }
    FontValue f = l->font_record();
    switch (member) {
    case 0:
        f.reserved = as_int(v);
        break;
    case 1:
        f.bold = as_bool(v);
        break;
    case 2:
        f.italic = as_bool(v);
        break;
    case 3:
        f.strikeout = as_bool(v);
        break;
    case 4:
        f.underline = as_bool(v);
        break;
    case 5:
        f.size_pt = as_int(v);
        l->set_font_record(f);
        return;
    case 6:
        f.face = as_text(v);
        break;
    }
    // Only the size changes the drawn height; keep a designed pixel height.
    l->set_font_record(f, l->font().pixelSize());
}


RtValue read_typed(const Window& w, Unit& u, int prop, int member)
{
    QWidget* widget = u.widget;
    switch (u.type) {
    case UnitType::Window:
        if (prop == P_TEXT)
            return widget ? widget->windowTitle().toStdString() : std::string();
        if (prop == P_WINDOW_BORDER)
            return widget && (widget->windowFlags() & Qt::FramelessWindowHint) ? 0 : 1;
        if (prop == P_WINDOW_PICTURE && w.widget)
            return w.widget->picture().bytes();
        break;
    case UnitType::TransparentLabel: {
        auto* l = static_cast<TransparentLabel*>(widget);
        switch (prop) {
        case P_TEXT:
            return l->text();
        case P_LABEL_EFFECT:
            return l->effect();
        case P_LABEL_FONT:
            return font_member(l->font_record(), member);
        case P_LABEL_COLOR:
            return static_cast<int32_t>(l->color());
        case P_LABEL_ALIGN:
            return l->align();
        case P_LABEL_WRAP:
            return l->wrap() ? 1 : 0;
        case P_LABEL_VALIGN:
            return l->valign();
        }
        break;
    }
    case UnitType::Label:
        if (prop == P_TEXT)
            return static_cast<QLabel*>(widget)->text().toStdString();
        break;
    case UnitType::EditBox:
        if (prop == P_TEXT) {
            if (auto* e = qobject_cast<QLineEdit*>(widget))
                return e->text().toStdString();
            return static_cast<QPlainTextEdit*>(widget)->toPlainText().toStdString();
        }
        break;
    case UnitType::Button:
    case UnitType::CheckBox:
    case UnitType::RadioBox:
        if (prop == P_CAPTION)
            return static_cast<QAbstractButton*>(widget)->text().toStdString();
        if (prop == P_CHECKED && u.type != UnitType::Button)
            return static_cast<QAbstractButton*>(widget)->isChecked();
        break;
    case UnitType::GroupBox:
        if (prop == P_CAPTION)
            return static_cast<QGroupBox*>(widget)->title().toStdString();
        break;
    case UnitType::ImageButton:
    case UnitType::DrawingBoard:
    case UnitType::PictureBox:
        if (prop == P_PICTURE)
            return picture_of(u)->bytes();
        if (prop == P_BORDER_STYLE && u.type == UnitType::PictureBox)
            return static_cast<PictureBox*>(widget)->border();
        break;
    case UnitType::Timer:
        if (prop == P_TIMER_INTERVAL)
            return u.interval;
        break;
    case UnitType::CommonDialog:
        switch (prop) {
        case P_DIALOG_KIND:
            return u.dialog_kind;
        case P_DIALOG_FILE:
            return u.file;
        case P_DIALOG_FILTER:
            return u.filter;
        case P_FONT_COLOR:
            return static_cast<int32_t>(u.font_choice.color);
        case P_FONT_BOLD:
            return u.font_choice.bold;
        case P_FONT_ITALIC:
            return u.font_choice.italic;
        case P_FONT_STRIKEOUT:
            return u.font_choice.strikeout;
        case P_FONT_UNDERLINE:
            return u.font_choice.underline;
        case P_FONT_FACE:
            return u.font_choice.face;
        case P_FONT_SIZE:
            return u.font_choice.size_pt;
        }
        break;
    case UnitType::AnimationObject:
        if (prop == P_SPRITE_PICTURE)
            return u.picture;
        if (prop == P_SPRITE_ZOOM)
            return u.zoom;
        break;
    default:
        break;
    }
    return {};
}

void write_typed(const std::shared_ptr<Window>& w, Unit& u, int prop, int member, const RtValue& v)
{
    QWidget* widget = u.widget;
    switch (u.type) {
    case UnitType::Window:
        if (prop == P_TEXT && widget) {
            widget->setWindowTitle(qtext(v));
        } else if (prop == P_WINDOW_BORDER && widget) {
            const bool frameless = as_int(v) == 0;
            if (bool(widget->windowFlags() & Qt::FramelessWindowHint) == frameless)
                return;
            // The frame's place and the outer size stay; the inside gives way
            // to the frame or takes its room.
            const bool shown = widget->isVisible();
            w->widget->set_frameless(frameless);
            if (shown)
                show_window(w);
        } else if (prop == P_WINDOW_PICTURE && w->widget) {
            w->widget->picture().set(as_bytes(v));
        }
        return;
    case UnitType::TransparentLabel: {
        auto* l = static_cast<TransparentLabel*>(widget);
        switch (prop) {
        case P_TEXT:
            l->set_text(as_text(v));
            break;
        case P_LABEL_EFFECT:
            l->set_effect(as_int(v));
            break;
        case P_LABEL_FONT:
            set_font_member(l, member, v);
            break;
        case P_LABEL_COLOR:
            l->set_color(static_cast<uint32_t>(as_int(v)));
            break;
        case P_LABEL_ALIGN:
            l->set_align(as_int(v));
            break;
        case P_LABEL_WRAP:
            l->set_wrap(as_int(v) == 1);
            break;
        case P_LABEL_VALIGN:
            l->set_valign(as_int(v));
            break;
        }
        return;
    }
    case UnitType::Label:
        if (prop == P_TEXT)
            static_cast<QLabel*>(widget)->setText(qtext(v));
        return;
    case UnitType::EditBox:
        if (prop == P_TEXT) {
            if (auto* e = qobject_cast<QLineEdit*>(widget))
                e->setText(qtext(v));
            else
                static_cast<QPlainTextEdit*>(widget)->setPlainText(qtext(v));
        }
        return;
    case UnitType::Button:
    case UnitType::CheckBox:
    case UnitType::RadioBox:
        if (prop == P_CAPTION)
            static_cast<QAbstractButton*>(widget)->setText(qtext(v));
        else if (prop == P_CHECKED && u.type != UnitType::Button)
            static_cast<QAbstractButton*>(widget)->setChecked(as_bool(v));
        return;
    case UnitType::GroupBox:
        if (prop == P_CAPTION)
            static_cast<QGroupBox*>(widget)->setTitle(qtext(v));
        return;
    case UnitType::ImageButton:
    case UnitType::DrawingBoard:
    case UnitType::PictureBox:
        if (prop == P_PICTURE)
            picture_of(u)->set(as_bytes(v), picture_fit(u));
        else if (prop == P_BORDER_STYLE && u.type == UnitType::PictureBox)
            static_cast<PictureBox*>(widget)->set_border(as_int(v));
        return;
    case UnitType::Timer:
        if (prop == P_TIMER_INTERVAL && u.timer) {
            u.interval = as_int(v);
            if (u.interval > 0 && w->loaded)
                u.timer->start(u.interval);
            else
                u.timer->stop();
        }
        return;
    case UnitType::CommonDialog:
        switch (prop) {
        case P_DIALOG_KIND:
            u.dialog_kind = as_int(v);
            break;
        case P_DIALOG_FILE:
            u.file = as_text(v);
            break;
        case P_DIALOG_FILTER:
            u.filter = as_text(v);
            break;
        case P_FONT_COLOR:
            u.font_choice.color = static_cast<uint32_t>(as_int(v));
            break;
        case P_FONT_BOLD:
            u.font_choice.bold = as_bool(v);
            break;
        case P_FONT_ITALIC:
            u.font_choice.italic = as_bool(v);
            break;
        case P_FONT_STRIKEOUT:
            u.font_choice.strikeout = as_bool(v);
            break;
        case P_FONT_UNDERLINE:
            u.font_choice.underline = as_bool(v);
            break;
        case P_FONT_FACE:
            u.font_choice.face = as_text(v);
            break;
        case P_FONT_SIZE:
            u.font_choice.size_pt = as_int(v);
            break;
        }
        return;
    case UnitType::AnimationObject:
        if (prop == P_SPRITE_PICTURE) {
            u.picture = as_bytes(v);
            u.picture_decoded = false;
            u.picture_levels.clear();
        }
        else if (prop == P_SPRITE_ZOOM)
            u.zoom = as_int(v);
        return;
    default:
        return;
    }
}

// Menu items number their tick 1, which every other unit uses for its top.
bool menu_property(Unit& u, int prop, const RtValue* write, RtValue& read)
{
    switch (prop) {
    case P_MENU_CHECKED:
        if (write)
            u.checked = as_bool(*write);
        read = u.checked;
        return true;
    case P_VISIBLE:
        if (write)
            u.visible = as_bool(*write);
        read = u.visible;
        return true;
    case P_DISABLED:
        if (write)
            u.disabled = as_bool(*write);
        read = u.disabled;
        return true;
    case P_TEXT:
    case P_CAPTION:
        if (write)
            u.caption = as_text(*write);
        read = u.caption;
        return true;
    default:
        return false;
    }
}

} // namespace

PictureSlot* picture_of(Unit& u)
{
    switch (u.type) {
    case UnitType::ImageButton:
        return &static_cast<ImageButton*>(u.widget.data())->picture();
    case UnitType::PictureBox:
        return &static_cast<PictureBox*>(u.widget.data())->picture();
    case UnitType::DrawingBoard:
        return &static_cast<DrawingBoard*>(u.widget.data())->picture();
    default:
        return nullptr;
    }
}

QSize picture_fit(const Unit& u)
{
    // A button takes its picture's own size.
    return u.type == UnitType::ImageButton || !u.widget ? QSize() : u.widget->size();
}

} // namespace rtui

using namespace rtui;

RtValue rt_read_unit_property(UnitRef ref, int property, int member)
{
    auto w = loaded_window(ref.window);
    Unit* u = find_unit(w, ref.unit);
    if (!u)
        return {};
    if (u->type == UnitType::MenuItem) {
        RtValue out;
        return menu_property(*u, property, nullptr, out) ? out : RtValue{};
    }
    if (u->type != UnitType::Window && u->type != UnitType::CommonDialog && u->type != UnitType::Timer &&
        u->type != UnitType::AnimationObject && !u->widget)
        return {};
    if (auto v = read_common(*w, *u, property))
        return *v;
    return read_typed(*w, *u, property, member);
}

void rt_write_unit_property(UnitRef ref, int property, int member, const RtValue& value)
{
    auto w = loaded_window(ref.window);
    Unit* u = find_unit(w, ref.unit);
    if (!u)
        return;
    if (u->type == UnitType::MenuItem) {
        RtValue ignored;
        menu_property(*u, property, &value, ignored);
        return;
    }
    if (u->type != UnitType::Window && u->type != UnitType::CommonDialog && u->type != UnitType::Timer &&
        u->type != UnitType::AnimationObject && !u->widget)
        return;
    if (!write_common(w, *u, property, value))
        write_typed(w, *u, property, member, value);
}

int32_t rt_get_int(UnitRef unit, int property) { return as_int(rt_read_unit_property(unit, property)); }
bool rt_get_bool(UnitRef unit, int property) { return as_bool(rt_read_unit_property(unit, property)); }
std::string rt_get_text(UnitRef unit, int property) { return as_text(rt_read_unit_property(unit, property)); }
Bytes rt_get_bytes(UnitRef unit, int property) { return as_bytes(rt_read_unit_property(unit, property)); }

FontValue rt_get_font(UnitRef unit, int property)
{
    const RtValue v = rt_read_unit_property(unit, property);
    if (auto f = std::get_if<FontValue>(&v))
        return *f;
    return {};
}

void rt_set(UnitRef unit, int property, const RtValue& value) { rt_write_unit_property(unit, property, -1, value); }
