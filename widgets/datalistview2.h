#pragma once
// The table preview: a list view bound to a dBase table, one column per field, captioned
// in proper case, each column as wide as the field's width in characters needs in the
// view's own font (text fields measured on a mix of capitals, small letters and digits,
// all others on digits), never narrower than its caption. The columns are laid out again
// whenever the font changes. Rows are read from the table as they come into sight.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gui/controls.h"

namespace db {
class DBSERVER;
}

namespace widgets {

class DATALISTVIEW2;

// A column of the view.
class LISTVIEWCOLUMN {
public:
    LISTVIEWCOLUMN(int widthChars, const std::string& caption, char type) : width_(widthChars), caption_(caption), type_(type) {}
    int WIDTH() const { return width_; }  // in characters
    const std::string& CAPTION() const { return caption_; }
    void CAPTION(const std::string& caption) { caption_ = caption; }
    char TYPE() const { return type_; }
    // Sets this column's pixel width in `view` (column number 1-based) and returns the
    // width in characters after clamping to 4..50.
    int32_t CALCULATENEWWIDTH(int columnNumber, DATALISTVIEW2& view);

private:
    int width_;
    std::string caption_;
    char type_;
};

class DATALISTVIEW2 : public gui::DATALISTVIEW {
public:
    using gui::DATALISTVIEW::DATALISTVIEW;
    ~DATALISTVIEW2() override;

    // Binds a table (null unbinds) and lays the columns out. A bound table that is closed
    // takes its columns and rows out of the view.
    void SERVER(std::shared_ptr<db::DBSERVER> table);
    const std::shared_ptr<db::DBSERVER>& SERVER() const { return server_; }
    // Rebuilds all columns (and the rows) from the bound table; nothing without one.
    void __AUTOLAYOUT();
    // Sets the view's font (none: the default GUI font) and lays the columns out again;
    // with `rescale` the view's size follows the change of the character size. The same
    // font as the one in use changes nothing. Returns the font now in use.
    std::optional<gui::FONT> FONT(const std::optional<gui::FONT>& font, bool rescale = false);
    std::optional<gui::FONT> FONT() const { return fontInUse_; }
    // Reads the rows anew from the bound table.
    void REFRESH();

    const std::vector<LISTVIEWCOLUMN>& columns() const { return columns_; }
    int columnPixelWidth(int columnNumber) const;  // 1-based
    // Pixel width of a text in the view's current font.
    int stringWidth(const std::string& utf8) const;
    void setColumnPixelWidth(int columnNumber, int px);
    int layoutCount() const { return layouts_; }
    // The text shown in a cell (row and column 1-based), reading the row when needed.
    std::string cellText(int row, int column);
    int rowCount() const;

private:
    void fillVisibleRows();
    void fillRow(int row);
    std::shared_ptr<db::DBSERVER> server_;
    std::vector<LISTVIEWCOLUMN> columns_;
    std::vector<int64_t> recnos_;
    std::vector<bool> filled_;
    std::optional<gui::FONT> fontInUse_;
    int layouts_ = 0;
    int observer_ = 0;
    bool scrollHooked_ = false;
};

// "CUSTNAME" -> "Custname", "first name" -> "First Name".
std::string properCase(const std::string& text);

}  // namespace widgets
