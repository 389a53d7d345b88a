#pragma once
// Full screen and windowed mode of a program's main window: the window's
// border and size, the ticks of its menu items 全屏 and 窗口, and the stored
// 界面大小.

void set_full_screen(int main_window);
void set_windowed(int main_window);
// Start-up: windowed when 界面大小 says 窗口, otherwise full screen.
void restore_window_mode(int main_window);

// Moves and sizes the window over the whole screen, border or not.
void cover_screen(int window_id);
