#pragma once
// A child window filled by a tab control whose pages are windows. It fits a selected page that
// is a transparent data window into the tab control's display area itself and repaints
// graphics pages when it is resized, maximised or restored.
#include <QPointer>
#include <QTabBar>
#include <string>
#include <vector>

#include "graphics/windows/gwindows.h"

namespace gfx {

class GTABWINDOW;

// The tab control: a row of tabs along the top of the window; the selected page is shown
// in the area below it, the others are hidden. Pages are placed in the display area, except
// transparent data windows, which the tab window fits itself. A page that is deleted or
// destroyed before the control loses its tab.
class TabControl {
public:
    explicit TabControl(GTABWINDOW* owner);
    ~TabControl();
    void APPENDTAB(gui::WINDOW* page, const std::string& caption);
    int pageCount() const { return int(pages_.size()); }
    // Selects the page (0-based); a user's selection goes the same way.
    void SELECTTAB(int index);
    gui::WINDOW* SELECTEDTABPAGE() const;
    // The display area of the pages in the owner's client area, top-down pixels.
    QRect displayRect() const;
    QTabBar* bar() const { return bar_; }
    void fit();  // the bar spans the owner's width; the pages fill the display area

private:
    gui::WINDOW* pageAt(size_t index) const;
    void showSelected();
    void forgetGonePages(const QObject* gone);
    GTABWINDOW* owner_;
    QPointer<QTabBar> bar_;
    std::vector<QPointer<QWidget>> pages_;
};

class GTABWINDOW : public gui::CHILDAPPWINDOW {
public:
    explicit GTABWINDOW(gui::WINDOW* owner);
    ~GTABWINDOW() override;

    // Puts the selected page one pixel left of the display area, the area's width wide and one
    // pixel less than its height high, and lets it repaint.
    void GDATAWINTAB();
    // The user selected a tab.
    virtual void TABSELECT();
    void SHOW(int state) override;
    using gui::CHILDAPPWINDOW::SHOW;
    void RESIZE(gui::ResizeEvent& event) override;
    void EXPOSE(gui::ExposeEvent& event) override;
    intptr_t DISPATCH(gui::Event& event) override;
    void DESTROY() override;

    TabControl* oTabControl() const { return tabs_.get(); }
    bool lSizing = false;

private:
    static bool answersPaintNew(gui::WINDOW* w);
    std::unique_ptr<TabControl> tabs_;
};

}  // namespace gfx
