// Test seams: scripted dialogs, real input delivered to units, scripted
// menu choices and drags, and the sound log.
#include "runtime/testing.h"

#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/ui/model.h"
#include "runtime/ui/sound.h"
#include "runtime/ui/widgets.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>


namespace rtui {

namespace {

void send_mouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, QPoint at, int keys)
{
    Qt::KeyboardModifiers mods;
    if (keys & KEY_CTRL)
        mods |= Qt::ControlModifier;
    if (keys & KEY_SHIFT)
        mods |= Qt::ShiftModifier;
    if (keys & KEY_ALT)
        mods |= Qt::AltModifier;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent ev(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, held, mods);
    QApplication::sendEvent(target, &ev);
}

int qt_key_of(int vk)
{
    if (vk >= 'A' && vk <= 'Z')
        return Qt::Key_A + (vk - 'A');
    if (vk >= '0' && vk <= '9')
        return Qt::Key_0 + (vk - '0');
    if (vk >= 0x70 && vk <= 0x7B)
        return Qt::Key_F1 + (vk - 0x70);
    switch (vk) {
    case 0x08:
        return Qt::Key_Backspace;
    case 0x09:
        return Qt::Key_Tab;
    case 0x0D:
        return Qt::Key_Return;
    case 0x1B:
        return Qt::Key_Escape;
    case 0x20:
        return Qt::Key_Space;
    case 0x25:
        return Qt::Key_Left;
    case 0x26:
        return Qt::Key_Up;
    case 0x27:
        return Qt::Key_Right;
    case 0x28:
        return Qt::Key_Down;
    case 0x2E:
        return Qt::Key_Delete;
    default:
        return Qt::Key_unknown;
    }
}

// The scripted backend the shorthands talk to.
ScriptedDialogs& scripted(const char* caller)
{
    if (auto* s = dynamic_cast<ScriptedDialogs*>(dialog_backend()))
        return *s;
    rt_report_error(RT_ERR_BAD_UNIT, std::string(caller) + ": no ScriptedDialogs installed");
}

} // namespace

} // namespace rtui

using namespace rtui;

// ---------------------------------------------------------------------------

int32_t ScriptedDialogs::message_box(const std::string& text, int32_t style, const std::string& title)
{
    Shown s{"message", text, title, style, {}};
    shown.push_back(s);
    if (on_show)
        on_show(s);
    if (message_answers.empty())
        return 0;
    const int32_t a = message_answers.front();
    message_answers.pop_front();
    return a;
}

bool ScriptedDialogs::input_box(const std::string& prompt, const std::string& title, const std::string& initial,
                                int mode, std::string& entry)
{
    Shown s{"input", prompt, title, mode, initial};
    shown.push_back(s);
    if (on_show)
        on_show(s);
    if (input_answers.empty())
        return false;
    auto a = std::move(input_answers.front());
    input_answers.pop_front();
    if (!a)
        return false;
    entry = *a;
    return true;
}

bool ScriptedDialogs::open_file(const std::string& filter, std::string& path)
{
    Shown s{"file", filter, {}, 0, path};
    shown.push_back(s);
    if (on_show)
        on_show(s);
    if (file_answers.empty())
        return false;
    auto a = std::move(file_answers.front());
    file_answers.pop_front();
    if (!a)
        return false;
    path = *a;
    return true;
}

bool ScriptedDialogs::choose_font(FontChoice& choice)
{
    Shown s{"font", choice.face, {}, choice.size_pt, {}};
    shown.push_back(s);
    if (on_show)
        on_show(s);
    if (font_answers.empty())
        return false;
    auto a = std::move(font_answers.front());
    font_answers.pop_front();
    if (!a)
        return false;
    choice = *a;
    return true;
}

std::string ScriptedDialogs::popup_menu(const std::vector<std::string>& items)
{
    last_popup_items = items;
    if (menu_choices.empty())
        return {};
    std::string c = std::move(menu_choices.front());
    menu_choices.pop_front();
    return c;
}

DragOffset ScriptedDialogs::drag()
{
    if (drags.empty())
        return {};
    const DragOffset d = drags.front();
    drags.pop_front();
    return d;
}

std::vector<std::string> ScriptedDialogs::messages() const
{
    std::vector<std::string> out;
    for (const Shown& s : shown)
        if (s.kind == "message")
            out.push_back(s.text);
    return out;
}

// ---------------------------------------------------------------------------

void rt_test_click(UnitRef unit)
{
    auto w = loaded_window(unit.window);
    const Unit* u = find_unit(w, unit.unit);
    if (!u)
        return;
    if (u->type == UnitType::MenuItem) {
        if (u->visible && !u->disabled)
            raise_event(unit, E_CLICK);
        return;
    }
    QPointer<QWidget> target = u->widget;
    if (!target)
        return;
    const QPoint centre(target->width() / 2, target->height() / 2);
    send_mouse(target, QEvent::MouseButtonPress, Qt::LeftButton, centre, 0);
    if (target)
        send_mouse(target, QEvent::MouseButtonRelease, Qt::LeftButton, centre, 0);
}

void rt_test_mouse(UnitRef unit, int event, int32_t x, int32_t y, int32_t key_state)
{
    const Unit* u = find_unit(loaded_window(unit.window), unit.unit);
    if (!u || !u->widget)
        return;
    const QPoint at(x, y);
    switch (event) {
    case E_LBUTTON_DOWN:
        send_mouse(u->widget, QEvent::MouseButtonPress, Qt::LeftButton, at, key_state);
        break;
    case E_LBUTTON_UP:
        send_mouse(u->widget, QEvent::MouseButtonRelease, Qt::LeftButton, at, key_state);
        break;
    case E_DOUBLE_CLICK:
        send_mouse(u->widget, QEvent::MouseButtonDblClick, Qt::LeftButton, at, key_state);
        break;
    case E_RBUTTON_DOWN:
        send_mouse(u->widget, QEvent::MouseButtonPress, Qt::RightButton, at, key_state);
        break;
    default:
        break;
    }
}

void rt_test_key(UnitRef unit, int key_code, int32_t key_state)
{
    auto w = loaded_window(unit.window);
    const Unit* u = find_unit(w, unit.unit);
    if (!u || !u->widget)
        return;
    // A hidden unit gets its keys through its window (see rt_set_focus).
    QPointer<QWidget> target = u->widget->isVisible() ? u->widget.data() : static_cast<QWidget*>(w->widget.data());
    if (!target)
        return;
    Qt::KeyboardModifiers mods;
    if (key_state & KEY_CTRL)
        mods |= Qt::ControlModifier;
    if (key_state & KEY_SHIFT)
        mods |= Qt::ShiftModifier;
    if (key_state & KEY_ALT)
        mods |= Qt::AltModifier;
    const int key = qt_key_of(key_code);
    QString text;
    if (key_code == 0x20)
        text = QStringLiteral(" ");
    else if ((key_code >= 'A' && key_code <= 'Z') || (key_code >= '0' && key_code <= '9'))
        text = QString(QChar(key_code)).toLower();
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &press);
    if (!target)
        return;
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(target, &release);
}

void rt_test_next_menu_choice(std::string item_name)
{
    scripted("rt_test_next_menu_choice").menu_choices.push_back(std::move(item_name));
}

void rt_test_next_drag(int32_t dx, int32_t dy) { scripted("rt_test_next_drag").drags.push_back({dx, dy}); }

void rt_test_close_box(int window_id)
{
    auto w = loaded_window(window_id);
    if (!w || !w->widget)
        return;
    QCloseEvent ev;
    QApplication::sendEvent(w->widget, &ev);
}

std::vector<std::string> rt_sound_log()
{
    std::vector<std::string> out;
    for (const std::string& entry : sound::log())
        out.push_back(entry == "<wave>" ? entry : rt_native_path(entry));
    return out;
}
void rt_sound_log_clear() { sound::clear_log(); }
bool rt_music_playing() { return sound::list_playing(); }

std::vector<std::string> rt_last_popup_items() { return scripted("rt_last_popup_items").last_popup_items; }
