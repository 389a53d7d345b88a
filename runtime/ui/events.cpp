#include "runtime/ui/events.h"

#include "runtime/ui/model.h"
#include "runtime/ui/picture.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>

namespace rtui {

namespace {

// Whether `a` lies above `b` as their window stacks its widgets; false when
// one holds the other.
bool stacked_above(const QWidget* a, const QWidget* b)
{
    for (const QWidget* x = a; x->parentWidget(); x = x->parentWidget()) {
        const QWidget* parent = x->parentWidget();
        if (parent == b)
            return false;
        if (!parent->isAncestorOf(b))
            continue;
        const QWidget* y = b;
        while (y->parentWidget() != parent)
            y = y->parentWidget();
        if (y == x)
            return false;
        const QObjectList& order = parent->children(); // bottom to top
        return order.indexOf(x) > order.indexOf(y);
    }
    return false;
}

// A unit inside a window of its own (the wheel's round frame is one) gets
// what the display server sends to that window, also where a unit stacked
// above that window covers the point. Such a press belongs to the unit on
// top: the widget there, or null when the press already reached it.
QWidget* widget_on_top(QWidget* receiver, const QPointF& global)
{
    QWidget* own = receiver->internalWinId() ? receiver : receiver->nativeParentWidget();
    if (!own || own->isWindow())
        return nullptr;
    QWidget* top = receiver->window();
    QWidget* hit = top->childAt(top->mapFromGlobal(global.toPoint()));
    if (!hit || hit == own || own->isAncestorOf(hit) || !stacked_above(hit, own))
        return nullptr;
    return hit;
}

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
        if (!me || !o->isWidgetType())
            return false;
        // A release goes where its press went.
        const bool release = e->type() == QEvent::MouseButtonRelease;
        QPointer<QWidget> above;
        if (!release)
            above = widget_on_top(static_cast<QWidget*>(o), me->globalPosition());
        else if (o == pressed_on_)
            above = pressed_above_;
        pressed_on_ = nullptr;
        pressed_above_ = nullptr;
        if (above) {
            QMouseEvent moved(e->type(), above->mapFromGlobal(me->globalPosition()), me->scenePosition(),
                              me->globalPosition(), me->button(), me->buttons(), me->modifiers(),
                              me->pointingDevice());
            QCoreApplication::sendEvent(above, &moved);
            if (!release) {
                pressed_on_ = o;
                pressed_above_ = above;
            }
            return true;
        }
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
        if (!unit_of_widget(o, ref))
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

private:
    // The last press sent on to the unit on top: where it came, and where it went.
    QPointer<QObject> pressed_on_;
    QPointer<QWidget> pressed_above_;
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

namespace {

// The last pointer decoded: the eggs all carry the same one, which is then
// decoded once and made once on the display server.
std::optional<QCursor> cursor_of(const Bytes& bytes)
{
    struct Last {
        Bytes bytes;
        std::optional<QCursor> cursor;
    };
    static auto* last = new Last;
    if (last->bytes.empty() || !(bytes.shares_buffer_with(last->bytes) || bytes == last->bytes)) {
        last->cursor = decode_cursor(bytes);
        last->bytes = bytes;
    }
    return last->cursor;
}

} // namespace

void set_unit_cursor(Unit& u, const Bytes& cursor)
{
    u.cursor = cursor;
    if (!u.widget)
        return;
    if (cursor.empty()) {
        u.widget->unsetCursor();
        return;
    }
    if (auto c = cursor_of(cursor))
        u.widget->setCursor(*c);
    else
        u.widget->unsetCursor();
}

} // namespace rtui
