#pragma once
// Controls of the GUI class library over Qt widgets.
//
// Member convention (as in gdiobjects.h): a property is `T NAME() const` to read and
// `void NAME(T)` to assign; operations are upper-case methods; our own helpers are
// lowerCamel. Inside classes the value classes are written gui::FONT, gui::HYPERLABEL ...
// because a property may bear the same name as its class (FONT, HYPERLABEL, RANGE).
//
// Every control is created with its owner window, its id and its place, either y-up
// (POINT origin and DIMENSION size, pixels from the owner's bottom-left corner) or as a
// top-down pixel rectangle (QRect, from a dialog template through geometry.h), and a
// Win32 style word where the kind has variants (sorted or multiple-selection list boxes,
// read-only or right-aligned edits, the default push button ...). The control registers
// with its owner; its text is UTF-8.
//
// Item positions of list and combo boxes are 1-based; 0 means none.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <QPixmap>

#include "platform/gui/gdiobjects.h"
#include "platform/gui/window.h"
#include "platform/runtime/value.h"

class QAbstractButton;
class QButtonGroup;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QTableWidget;

namespace gui {

// Win32 style bits that change how a control behaves.
inline constexpr uint32_t BS_DEFPUSHBUTTON = 0x0001;
inline constexpr uint32_t ES_RIGHT = 0x0002;
inline constexpr uint32_t ES_MULTILINE = 0x0004;
inline constexpr uint32_t ES_READONLY = 0x0800;
inline constexpr uint32_t LBS_SORT = 0x0002;
inline constexpr uint32_t LBS_MULTIPLESEL = 0x0008;
inline constexpr uint32_t LBS_EXTENDEDSEL = 0x0800;
inline constexpr uint32_t CBS_SIMPLE = 0x0001;
inline constexpr uint32_t CBS_SORT = 0x0100;
inline constexpr uint32_t SS_RIGHT = 0x0002;

// A range of two whole numbers (progress bars, scroll bars).
class RANGE {
public:
    RANGE() = default;
    RANGE(int min, int max) : min_(min), max_(max) {}
    int MIN() const { return min_; }
    int MAX() const { return max_; }
    friend bool operator==(const RANGE&, const RANGE&) = default;

private:
    int min_ = 0;
    int max_ = 100;
};

// A text selection of an edit, 0-based character positions (characters of the shown text,
// not bytes of its UTF-8 form):
// START the first selected character (the caret when nothing is selected), FINISH one past
// the last.
class SELECTION {
public:
    SELECTION() = default;
    SELECTION(int start, int finish) : start_(start), finish_(finish) {}
    int START() const { return start_; }
    int FINISH() const { return finish_; }
    friend bool operator==(const SELECTION&, const SELECTION&) = default;

private:
    int start_ = 0;
    int finish_ = 0;
};

class CONTROL : public GUIOBJECT {
public:
    ~CONTROL() override;

    WINDOW* OWNER() const { return owner_; }
    int CONTROLID() const { return id_; }
    uint32_t STYLE() const { return style_; }
    std::string NAMESYM() const { return hyperLabel_.NAMESYM(); }

    // Assigning a hyper-label shows its caption where the control shows a caption (buttons,
    // group boxes, fixed texts) and makes its description the tool-tip text; the data of
    // edits, lists, combo boxes and views is left alone.
    gui::HYPERLABEL HYPERLABEL() const { return hyperLabel_; }
    void HYPERLABEL(const gui::HYPERLABEL& label);
    // The visible caption; for controls without one, the caption is only remembered.
    virtual std::string CAPTION() const;
    virtual void CAPTION(const std::string& caption);
    // The text of the control: the caption of buttons and fixed texts, the text of edits.
    virtual std::string TEXTVALUE() const;
    virtual void TEXTVALUE(const std::string& text);
    // The control's value as FIELDGET/FIELDPUT see it.
    virtual rt::Value VALUE() const;
    virtual void VALUE(const rt::Value& value);

    // Tool tip: while USEHLFORTOOLTIP is TRUE the hyper-label's description, else the
    // TOOLTIPTEXT (empty unless set). USEHLFORTOOLTIP is FALSE at creation.
    bool USEHLFORTOOLTIP() const { return useHlForToolTip_; }
    void USEHLFORTOOLTIP(bool on);
    std::string TOOLTIPTEXT() const;
    void TOOLTIPTEXT(const std::string& text);

    gui::FONT FONT() const { return font_; }
    void FONT(const gui::FONT& font, bool rescale = true);
    gui::COLOR TEXTCOLOR() const { return textColor_; }
    void TEXTCOLOR(const gui::COLOR& color);
    gui::BRUSH BACKGROUND() const { return background_; }
    virtual void BACKGROUND(const gui::BRUSH& brush);

    // ENABLE/DISABLE set the state the program asks for; a data window's conditional
    // registry may hold a control disabled on top of it (window.h).
    void ENABLE() override;
    void DISABLE() override;
    bool requestedEnabled() const { return requestedEnabled_; }
    void setConditionallyDisabled(bool on);

    // Destroys the control's widget; the object stays, harmless, until it is deleted.
    virtual void DESTROY();

    // The owner's y-up geometry.
    POINT ORIGIN() const override { return GUIOBJECT::ORIGIN(); }
    void ORIGIN(const POINT& origin) override { GUIOBJECT::ORIGIN(origin); }

protected:
    CONTROL(WINDOW* owner, int id, const QRect& topDownPixels, uint32_t style);
    CONTROL(WINDOW* owner, int id, const POINT& origin, const DIMENSION& size, uint32_t style);
    // Called by the constructors of the kinds with their widget.
    void initWidget(QWidget* widget);
    virtual bool showsCaption() const { return false; }
    virtual void applyCaption(const std::string&) {}
    void routeButtonClick();
    void routeListSelect();
    void routeFocusChange(bool gotFocus);
    QRect initialRect() const { return initialRect_; }

private:
    friend class WINDOW;
    void applyEnabled();
    void applyToolTip();
    WINDOW* owner_;
    int id_;
    uint32_t style_;
    QRect initialRect_;
    gui::HYPERLABEL hyperLabel_;
    std::string caption_;
    std::string toolTip_;
    bool useHlForToolTip_ = false;
    gui::FONT font_;
    gui::COLOR textColor_;
    gui::BRUSH background_;
    bool requestedEnabled_ = true;
    bool conditionallyDisabled_ = false;
};

// Controls with a caption of their own. Every enable and disable of one passes through the
// class additions (below) when they are installed.
class TEXTCONTROL : public CONTROL {
public:
    void ENABLE() override;
    void DISABLE() override;
    std::string CAPTION() const override;
    void CAPTION(const std::string& caption) override;
    std::string TEXTVALUE() const override { return CAPTION(); }
    void TEXTVALUE(const std::string& text) override { CAPTION(text); }
    rt::Value VALUE() const override { return rt::Value(CAPTION()); }
    void VALUE(const rt::Value& v) override;

protected:
    using CONTROL::CONTROL;
    bool showsCaption() const override { return true; }
    void applyCaption(const std::string& caption) override;
};

class BUTTON : public TEXTCONTROL {
public:
    // The synchronous button-click message (BM_CLICK): acts as a user's click, including
    // the routing of the click to the owner.
    void CLICK();
    QAbstractButton* button() const;
    // BM_CLICK clicks; BM_SETCHECK (WPARAM 1 or 0) sets the check state from code.
    intptr_t DISPATCH(Event& event) override;

protected:
    using TEXTCONTROL::TEXTCONTROL;
};

// A push button: its click calls the owner's method of the same name (window.h).
class PUSHBUTTON : public BUTTON {
public:
    PUSHBUTTON(WINDOW* owner, int id, const QRect& topDownPixels, uint32_t style = 0);
    PUSHBUTTON(WINDOW* owner, int id, const POINT& origin, const DIMENSION& size, uint32_t style = 0);

private:
    void build();
};

class RADIOBUTTONGROUP;

// A radio button. PRESSED(TRUE) from code presses it and releases the other buttons of its
// group; neither calls BUTTONCLICK. Every change of its check state, the user's click
// included, is the button's own BM_SETCHECK message and passes through its DISPATCH.
class RADIOBUTTON : public BUTTON {
public:
    intptr_t DISPATCH(Event& event) override;
    RADIOBUTTON(WINDOW* owner, int id, const QRect& topDownPixels, uint32_t style = 0);
    RADIOBUTTON(WINDOW* owner, int id, const POINT& origin, const DIMENSION& size, uint32_t style = 0);
    ~RADIOBUTTON() override;
    bool PRESSED() const;
    void PRESSED(bool on);
    rt::Value VALUE() const override { return rt::Value(PRESSED()); }
    void VALUE(const rt::Value& v) override { PRESSED(v.log()); }
    RADIOBUTTONGROUP* group() const { return group_; }

private:
    friend class RADIOBUTTONGROUP;
    friend class BUTTON;
    void build();
    void setPressed(bool on);
    RADIOBUTTONGROUP* group_ = nullptr;
};

// Members that a library above the platform adds to these classes (the graphics library's
// notices for windows that paint behind their controls). Each runs in place of the class's
// own member and calls the inherited operation itself; while none is installed the classes
// behave as they are.
struct ClassAdditions {
    intptr_t (*radioButtonDispatch)(RADIOBUTTON& button, Event& event) = nullptr;
    void (*textControlEnable)(TEXTCONTROL& control) = nullptr;
    void (*textControlDisable)(TEXTCONTROL& control) = nullptr;
};
void installClassAdditions(const ClassAdditions& additions);
const ClassAdditions& classAdditions();

class CHECKBOX : public BUTTON {
public:
    CHECKBOX(WINDOW* owner, int id, const QRect& topDownPixels, uint32_t style = 0);
    CHECKBOX(WINDOW* owner, int id, const POINT& origin, const DIMENSION& size, uint32_t style = 0);
    bool CHECKED() const;
    void CHECKED(bool on);
    rt::Value VALUE() const override { return rt::Value(CHECKED()); }
    void VALUE(const rt::Value& v) override { CHECKED(v.log()); }

private:
    void build();
};

// A framed area with a title. Its radio buttons are its siblings, not its children.
class GROUPBOX : public TEXTCONTROL {
public:
    GROUPBOX(WINDOW* owner, int id, const QRect& topDownPixels, uint32_t style = 0);
    GROUPBOX(WINDOW* owner, int id, const POINT& origin, const DIMENSION& size, uint32_t style = 0);

private:
    void build();
};

// A group frame that makes its radio buttons exclusive: exactly the buttons given to
// FILLUSING form one family. Its value is the value paired with the pressed button (NIL
// when none is pressed); assigning a value presses the button paired with it.
class RADIOBUTTONGROUP : public GROUPBOX {
public:
    RADIOBUTTONGROUP(WINDOW* owner, int id, const QRect& topDownPixels, uint32_t style = 0);
    RADIOBUTTONGROUP(WINDOW* owner, int id, const POINT& origin, const DIMENSION& size, uint32_t style = 0);
    ~RADIOBUTTONGROUP() override;
    void FILLUSING(const std::vector<std::pair<RADIOBUTTON*, rt::Value>>& pairs);
    const std::vector<RADIOBUTTON*>& buttons() const { return buttons_; }
    RADIOBUTTON* pressedButton() const;
    rt::Value VALUE() const override;
    void VALUE(const rt::Value& v) override;

private:
    friend class RADIOBUTTON;
    void detach(RADIOBUTTON* b);
    std::vector<RADIOBUTTON*> buttons_;
    std::vector<rt::Value> values_;
    QButtonGroup* qgroup_ = nullptr;
};

// Draw styles of a fixed text (the DrawText flags).
inline constexpr uint32_t DT_SINGLELINE = 0x0020;
inline constexpr uint32_t DT_NOCLIP = 0x0100;

class FIXEDTEXT : public TEXTCONTROL {
public:
    FIXEDTEXT(WINDOW* owner, int id, const QRect& topDownPixels, uint32_t style = 0);
    FIXEDTEXT(WINDOW* owner, int id, const POINT& origin, const DIMENSION& size, uint32_t style = 0);
    // Turns a draw style on or off. With DT_SINGLELINE the text stays on one line: it is not
    // wrapped, and a line break in it is drawn as a blank. Other styles are kept only.
    void SETDRAWSTYLE(uint32_t style, bool on);
    uint32_t drawStyle() const { return drawStyle_; }

protected:
    void applyCaption(const std::string& caption) override;

private:
    void build();
    uint32_t drawStyle_ = 0;
};

// An icon in a raised frame; its BACKGROUND fills the frame around the icon.
class FIXEDICON : public CONTROL {
public:
    FIXEDICON(WINDOW* owner, int id, const QRect& topDownPixels, uint32_t style = 0);
    FIXEDICON(WINDOW* owner, int id, const POINT& origin, const DIMENSION& size, uint32_t style = 0);
    void IMAGE(const QPixmap& icon);
    QPixmap IMAGE() const { return icon_; }
    void BACKGROUND(const gui::BRUSH& brush) override;
    using CONTROL::BACKGROUND;

private:
    void build();
    QPixmap icon_;
};

class SINGLELINEEDIT : public CONTROL {
public:
    SINGLELINEEDIT(WINDOW* owner, int id, const QRect& topDownPixels, uint32_t style = 0);
    SINGLELINEEDIT(WINDOW* owner, int id, const POINT& origin, const DIMENSION& size, uint32_t style = 0);
    std::string TEXTVALUE() const override;
    void TEXTVALUE(const std::string& text) override;
    rt::Value VALUE() const override { return rt::Value(TEXTVALUE()); }
    void VALUE(const rt::Value& v) override;
    gui::SELECTION SELECTION() const;
    void SELECTION(const gui::SELECTION& sel);
    bool READONLY() const;
    void READONLY(bool on);
    int TEXTLIMIT() const;
    void TEXTLIMIT(int chars);
    // What gaining the focus does to the selection: 0 leaves caret and selection where they
    // were, 1 selects all, 2 puts the caret at the start, 3 at the end.
    int FOCUSSELECT() const { return focusSelect_; }
    void FOCUSSELECT(int mode) { focusSelect_ = mode; }
    QLineEdit* lineEdit() const;
    // Called by the edit widget when it gains or loses the focus.
    void focusChanged(bool gotFocus);

private:
    void build();
    int focusSelect_ = 0;
};

// A list box: single or multiple selection (LBS_MULTIPLESEL or LBS_EXTENDEDSEL), sorted
// case-insensitively with LBS_SORT. Each item has a text and a value (the text unless
// given).
class LISTBOX : public CONTROL {
public:
    LISTBOX(WINDOW* owner, int id, const QRect& topDownPixels, uint32_t style = 0);
    LISTBOX(WINDOW* owner, int id, const POINT& origin, const DIMENSION& size, uint32_t style = 0);

    bool isMultiple() const;
    bool isSorted() const;
    // Replaces the items.
    void FILLUSING(const std::vector<std::string>& texts);
    void FILLUSING(const std::vector<std::pair<std::string, rt::Value>>& items);
    // Adds an item at position `pos` (0: at the end, or in sort order); returns its position.
    int ADDITEM(const std::string& text, int pos = 0, const rt::Value& value = rt::Value());
    bool DELETEITEM(int pos);
    void CLEAR();
    int ITEMCOUNT() const;
    std::string GETITEM(int pos) const;        // "" outside the items
    rt::Value GETITEMVALUE(int pos) const;     // NIL outside the items
    // First item at or after `start` + 1 whose text equals `text` (exact) or begins with it,
    // ignoring case; 0 when none.
    int FINDITEM(const std::string& text, bool exact = true, int start = 0) const;
    // Selects the item (in a multiple list it is added to the selection); FALSE outside.
    bool SELECTITEM(int pos);
    bool DESELECTITEM(int pos);
    void DESELECTALL();
    bool ISSELECTED(int pos) const;
    // The selected item of a single list, the caret item of a multiple one; 0 when none.
    int CURRENTITEMNO() const;
    void CURRENTITEMNO(int pos);
    std::string CURRENTITEM() const;
    // Walk over the selected items in position order: FIRSTSELECTED gives the first (0 when
    // none), NEXTSELECTED the one after the last given (0 when no further).
    int FIRSTSELECTED();
    int NEXTSELECTED();
    int SELECTEDCOUNT() const;
    rt::Value VALUE() const override;  // value of the current item, NIL when none
    void VALUE(const rt::Value& v) override;
    QListWidget* listWidget() const;

private:
    void build();
    std::vector<rt::Value> values_;
    int walk_ = 0;
    bool programmatic_ = false;
};

// A combo box in the simple style: an edit over a list that is always shown. Choosing a
// list item puts its text into the edit; typing into the edit selects the first item that
// begins with the text, without changing the text.
class COMBOBOX : public CONTROL {
public:
    COMBOBOX(WINDOW* owner, int id, const QRect& topDownPixels, uint32_t style = CBS_SIMPLE);
    COMBOBOX(WINDOW* owner, int id, const POINT& origin, const DIMENSION& size, uint32_t style = CBS_SIMPLE);

    void FILLUSING(const std::vector<std::string>& texts);
    void FILLUSING(const std::vector<std::pair<std::string, rt::Value>>& items);
    int ADDITEM(const std::string& text, int pos = 0, const rt::Value& value = rt::Value());
    bool DELETEITEM(int pos);
    void CLEAR();
    int ITEMCOUNT() const;
    std::string GETITEM(int pos) const;
    rt::Value GETITEMVALUE(int pos) const;
    int FINDITEM(const std::string& text, bool exact = true, int start = 0) const;
    bool SELECTITEM(int pos);
    // The selected list item, 0 when none. Assigning selects the item and shows its text
    // in the edit (0 clears both).
    int CURRENTITEMNO() const;
    void CURRENTITEMNO(int pos);
    std::string CURRENTITEM() const;
    // The text of the edit.
    std::string CURRENTTEXT() const;
    void CURRENTTEXT(const std::string& text);
    std::string TEXTVALUE() const override { return CURRENTTEXT(); }
    void TEXTVALUE(const std::string& text) override { CURRENTTEXT(text); }
    rt::Value VALUE() const override;
    void VALUE(const rt::Value& v) override;
    QLineEdit* lineEdit() const;
    QListWidget* listWidget() const;

private:
    void build();
    std::vector<rt::Value> values_;
    bool programmatic_ = false;
};

// The platform progress bar. POSITION may go above the range (the pacing code allows
// positions above 100); the bar shows the position clamped into the range, while
// POSITION and OLDPOSITION give the value set.
class PROGRESSBAR : public CONTROL {
public:
    PROGRESSBAR(WINDOW* owner, int id, const QRect& topDownPixels, uint32_t style = 0);
    PROGRESSBAR(WINDOW* owner, int id, const POINT& origin, const DIMENSION& size, uint32_t style = 0);
    gui::RANGE RANGE() const { return range_; }
    void RANGE(const gui::RANGE& range);
    int POSITION() const { return position_; }
    void POSITION(int position);
    int OLDPOSITION() const { return oldPosition_; }  // the position last set
    int shownValue() const;                           // what the bar shows
    int positionChanges() const { return changes_; }  // how often POSITION was assigned
    gui::COLOR BACKGROUNDCOLOR() const { return barBackground_; }
    void BACKGROUNDCOLOR(const gui::COLOR& color);

private:
    void build();
    gui::RANGE range_;
    int position_ = 0;
    int oldPosition_ = 0;
    int changes_ = 0;
    gui::COLOR barBackground_;
};

// A slider (track bar): a thumb on a track over a range, horizontal unless the style has
// TBS_VERT. WM_SIZE makes it draw itself again over what lies under it.
inline constexpr uint32_t TBS_VERT = 0x0002;
class SLIDER : public CONTROL {
public:
    SLIDER(WINDOW* owner, int id, const QRect& topDownPixels, uint32_t style = 0);
    SLIDER(WINDOW* owner, int id, const POINT& origin, const DIMENSION& size, uint32_t style = 0);
    gui::RANGE RANGE() const;
    void RANGE(const gui::RANGE& range);
    int THUMBPOSITION() const;
    void THUMBPOSITION(int position);
    intptr_t DISPATCH(Event& event) override;

private:
    void build();
};

// A read-only multi-line text view (the input and output previews are filled through it).
class MULTILINEEDIT : public CONTROL {
public:
    MULTILINEEDIT(WINDOW* owner, int id, const QRect& topDownPixels, uint32_t style = ES_MULTILINE | ES_READONLY);
    MULTILINEEDIT(WINDOW* owner, int id, const POINT& origin, const DIMENSION& size,
                  uint32_t style = ES_MULTILINE | ES_READONLY);
    std::string TEXTVALUE() const override;
    void TEXTVALUE(const std::string& text) override;
    rt::Value VALUE() const override { return rt::Value(TEXTVALUE()); }
    void VALUE(const rt::Value& v) override;
    int TEXTLIMIT() const { return textLimit_; }
    void TEXTLIMIT(int chars) { textLimit_ = chars; }
    QPlainTextEdit* textEdit() const;

private:
    void build();
    int textLimit_ = 0;
};

// A table view in report style with column headers (the previews are bound to it later).
class DATALISTVIEW : public CONTROL {
public:
    DATALISTVIEW(WINDOW* owner, int id, const QRect& topDownPixels, uint32_t style = 0);
    DATALISTVIEW(WINDOW* owner, int id, const POINT& origin, const DIMENSION& size, uint32_t style = 0);
    bool GRIDLINES() const;
    void GRIDLINES(bool on);
    bool FULLROWSELECT() const { return fullRowSelect_; }
    void FULLROWSELECT(bool on);
    bool HEADERDRAGDROP() const { return headerDragDrop_; }
    void HEADERDRAGDROP(bool on);
    bool CHECKBOXES() const { return checkBoxes_; }
    void CHECKBOXES(bool on) { checkBoxes_ = on; }
    bool TRACKSELECTION() const { return trackSelection_; }
    void TRACKSELECTION(bool on) { trackSelection_ = on; }
    gui::COLOR TEXTBACKGROUNDCOLOR() const { return textBackground_; }
    void TEXTBACKGROUNDCOLOR(const gui::COLOR& color);
    int COLUMNCOUNT() const;
    void DELETEALLCOLUMNS();
    QTableWidget* tableWidget() const;

private:
    void build();
    bool fullRowSelect_ = false;
    bool headerDragDrop_ = false;
    bool checkBoxes_ = false;
    bool trackSelection_ = false;
    gui::COLOR textBackground_{255, 255, 255};
};

}  // namespace gui
