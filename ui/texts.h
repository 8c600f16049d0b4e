#pragma once
// The program's two-language texts: the numbered messages and the caption and help text of
// every form control that has one. Texts are UTF-8; lines of a multi-line text are joined by
// CR LF and stored already wrapped, so tool tips, boxes and the help file show them as they are.
#include <span>
#include <string>

namespace ui {

// Language numbers, the index into every text table (the value of gbSprache).
constexpr int kGerman = 1;
constexpr int kEnglish = 2;

constexpr int kMessageCount = 101;  // numbers 1 .. 101; a few numbers are unused

struct MessageText {
    int number;
    const char* german;
    const char* english;
};

// Every message, in ascending number.
std::span<const MessageText> messageTable();

// The text of message `number` in `language` (1 German, 2 English); the empty text for an
// unused number or an unknown language.
const char* messageText(int number, int language);
bool hasMessage(int number);

struct ControlText {
    const char* name;  // the control's name on the form
    const char* titleGerman;
    const char* titleEnglish;
    const char* descriptionGerman;
    const char* descriptionEnglish;
};

// The 98 rows in table order (which is also the order of the help file's entries).
std::span<const ControlText> controlTextTable();

inline const char* title(const ControlText& row, int language) {
    return language == kEnglish ? row.titleEnglish : row.titleGerman;
}
inline const char* description(const ControlText& row, int language) {
    return language == kEnglish ? row.descriptionEnglish : row.descriptionGerman;
}

}  // namespace ui
