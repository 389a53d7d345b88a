#pragma once
// The real modal dialogs behind rt_message_box, rt_input_box and
// rt_dialog_open. Private to runtime/ui; no toolkit types here so tests can
// check the pure parts.

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/testing.h"

class QDialog;
class QBoxLayout;

namespace rtui {

// The buttons of a message-box style (its low four bits), as result ids:
// OK 0, Cancel 1, Abort 2, Retry 3, Ignore 4, Yes 5, No 6.
std::vector<int32_t> message_box_buttons(int32_t style);
// What Escape or the close box yields for a style.
int32_t message_box_escape(int32_t style);
// An answer the box cannot give (a button it does not have) counts as Escape.
int32_t message_box_result(int32_t style, int32_t answer);

// "desc|*.jpg;*.jpeg|desc2|*.mp3" as the toolkit's filter list
// ("desc (*.jpg *.jpeg);;desc2 (*.mp3)"); empty gives "". The dialog shows
// only the descriptions.
std::string file_dialog_filter(const std::string& pairs);

int32_t show_message_box(const std::string& text, int32_t style, const std::string& title);
bool show_input_box(const std::string& prompt, const std::string& title, const std::string& initial, int mode,
                    std::string& entry);
bool show_file_dialog(bool save, const std::string& filter, std::string& path);
bool show_font_dialog(FontChoice& choice);

// The "确定" / "取消" row at the foot of our own dialogs.
void add_ok_cancel(QDialog& dialog, QBoxLayout* layout);

} // namespace rtui
