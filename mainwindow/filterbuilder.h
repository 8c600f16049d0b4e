#pragma once
// Building a record filter from the builder lists: an item is inserted at the caret with a
// blank on each side, doubled blanks are thinned outside string literals, and the caret
// ends after the blank that follows the item.
#include <string>

namespace ui {

struct FilterInsertion {
    std::string text;  // UTF-8
    int caret = 0;     // in characters (UTF-16 units, as the edit counts them)
};

// `text` is the edit's text (UTF-8); `caret` the start of its selection in characters,
// counted on the text as the edit shows it. Blanks at both ends of the text are dropped
// before the item goes in, so the caret counts on the trimmed text.
FilterInsertion insertFilterItem(const std::string& text, int caret, const std::string& item);

}  // namespace ui
