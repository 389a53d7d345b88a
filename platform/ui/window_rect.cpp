#include "platform/user32.h"

#include "platform/ui/windows.h"

#include <QWidget>

bool GetWindowRect(int64_t window, RECT* rect)
{
    QWidget* w = platform::widget_of(window);
    if (!w || !rect)
        return false;
    const QRect r = w->isWindow() ? w->frameGeometry() : QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    *rect = platform::to_rect(r);
    return true;
}
