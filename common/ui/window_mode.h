#pragma once
// Full screen and windowed mode of a program's main window: the window's
// border and size, the ticks of its menu items 全屏 and 窗口, and the stored
// 界面大小.

void set_full_screen(int main_window);
void set_windowed(int main_window);
