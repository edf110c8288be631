// The course panel below the symbol box on course-setting maps: the Objects, Courses and
// Classes tabs (CsPageControl). The Courses tab shows the course list with its buttons, the
// current course's diagram (CoursePaintB in a scroll box) with the caret, the leg's length
// and the insert, remove, variation and preview buttons; the Classes tab the class list.
// Views over CsCourses and CsObj.
#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QScrollArea;
class QTabWidget;
class QToolButton;

namespace zemo {

class TMainFm;
struct MainFramePanels;

// Paints the current course's diagram; a click places the caret.
class TCoursePaint : public QWidget {
public:
    explicit TCoursePaint(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
};

class TCoursePanel : public QWidget {
public:
    explicit TCoursePanel(QWidget* parent = nullptr);
    ~TCoursePanel() override;
    void Refresh();

    QTabWidget* CsPageControl = nullptr;
    // Courses
    QComboBox* CourseSelB = nullptr;
    QToolButton* CourseFirstBtn = nullptr;
    QToolButton* CoursePrevBtn = nullptr;
    QToolButton* CourseNextBtn = nullptr;
    QToolButton* CourseLastBtn = nullptr;
    QPushButton* CourseNewBtn = nullptr;
    QPushButton* CoursePropBtn = nullptr;
    QPushButton* CourseDupBtn = nullptr;
    QPushButton* CourseDeleteBtn = nullptr;
    QListWidget* CsCodeB = nullptr;
    QPushButton* CsInsertBtn = nullptr;
    QPushButton* CsRemoveBtn = nullptr;
    QPushButton* VariationBtn = nullptr;
    QPushButton* CoursePreviewBtn = nullptr;
    QPushButton* CsOptionsBtn = nullptr;
    QScrollArea* CourseScrollB = nullptr;
    TCoursePaint* CoursePaintB = nullptr;
    QLabel* CourseLengthB = nullptr;
    // Classes
    QListWidget* ClassB = nullptr;
    QPushButton* NewClassBtn = nullptr;
    QPushButton* ClassPropBtn = nullptr;
    QPushButton* ClassDeleteBtn = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QWidget* coursesTab();
    QWidget* classesTab();
    // The diagram laid out for the room its scroll box gives, without sideways scrolling
    // where its codes allow, and the paint box sized to it.
    void fitDiagram();
    bool refreshing_ = false;
};

// Every course panel shows the engine's state again.
void RefreshCoursePanels();
// Puts the panel into a frame's course panel.
void FillCsPanel(TMainFm& frame, MainFramePanels& panels);

} // namespace zemo
