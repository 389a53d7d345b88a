#include "platform/user32.h"

#include <QWidget>

bool GetWindowRect(int64_t window, RECT* rect)
{
    QWidget* w = window == 0 ? nullptr : QWidget::find(static_cast<WId>(window));
    if (!w || !rect)
        return false;
    const QRect r = w->isWindow() ? w->frameGeometry() : QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    rect->left = r.left();
    rect->top = r.top();
    rect->right = r.left() + r.width();
    rect->bottom = r.top() + r.height();
    return true;
}
