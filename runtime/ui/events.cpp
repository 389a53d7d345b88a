#include "runtime/ui/events.h"

#include "runtime/ui/model.h"
#include "runtime/ui/picture.h"

#include <QApplication>
#include <QMouseEvent>

namespace rtui {

namespace {

class UnitInputFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        int event = 0;
        auto* me = (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonRelease ||
                    e->type() == QEvent::MouseButtonDblClick)
                       ? static_cast<QMouseEvent*>(e)
                       : nullptr;
        if (!me)
            return false;
        if (me->button() == Qt::LeftButton) {
            event = e->type() == QEvent::MouseButtonPress     ? E_LBUTTON_DOWN
                    : e->type() == QEvent::MouseButtonRelease ? E_LBUTTON_UP
                                                              : E_DOUBLE_CLICK;
        } else if (me->button() == Qt::RightButton && e->type() != QEvent::MouseButtonRelease) {
            event = E_RBUTTON_DOWN;
        } else {
            return false;
        }
        UnitRef ref;
        if (!o->isWidgetType() || !unit_of_widget(o, ref))
            return false;
        if (!static_cast<QWidget*>(o)->isEnabled())
            return false;
        auto w = loaded_window(ref.window);
        if (!w)
            return true;
        const QPoint at = me->position().toPoint();
        raise_event(ref, event, at.x(), at.y(), key_state_of(static_cast<int>(me->modifiers())));
        // A handler that closed the window ends the input to it.
        return !w->loaded;
    }
};

UnitInputFilter* filter()
{
    static UnitInputFilter* f = new UnitInputFilter(qApp);
    return f;
}

} // namespace

void watch_input(QObject* widget) { widget->installEventFilter(filter()); }

int key_state_of(int qt_modifiers)
{
    int keys = 0;
    if (qt_modifiers & Qt::ControlModifier)
        keys |= KEY_CTRL;
    if (qt_modifiers & Qt::ShiftModifier)
        keys |= KEY_SHIFT;
    if (qt_modifiers & Qt::AltModifier)
        keys |= KEY_ALT;
    return keys;
}

void set_unit_cursor(Unit& u, const Bytes& cursor)
{
    u.cursor = cursor;
    if (!u.widget)
        return;
    if (cursor.empty()) {
        u.widget->unsetCursor();
        return;
    }
    if (auto c = decode_cursor(cursor))
        u.widget->setCursor(*c);
    else
        u.widget->unsetCursor();
}

} // namespace rtui
