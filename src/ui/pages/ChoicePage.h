#pragma once
// A report page that shows one of several lists, chosen by radio buttons ("View by:"), with
// an optional button below that belongs to one of the choices only.
#include <QWidget>
#include <functional>
#include <vector>

class QPushButton;
class QRadioButton;

namespace trevix::ui {

class ReportListView;

class ChoicePage : public QWidget {
    Q_OBJECT
public:
    struct Choice {
        QString Text;
        QString Name;   // the radio button's object name
        int List;
    };
    // makeList builds the view of a list number on a parent. The button, when buttonText is
    // given, is shown with choice buttonWith only.
    ChoicePage(const std::vector<Choice>& choices, const std::function<ReportListView*(int, QWidget*)>& makeList,
               const QString& buttonText = {}, const QString& buttonName = {}, int buttonWith = 0,
               QWidget* parent = nullptr);

    // The choice last made (0-based), or what Choose was given when no button matched it.
    int Chosen() const { return chosen_; }
    // Checks choice index; an index of no button checks nothing and leaves the lists as they are.
    void Choose(int index);
    QPushButton* Button() const { return button_; }

private:
    void ShowChosen();

    std::vector<QRadioButton*> options_;
    std::vector<ReportListView*> lists_;
    QPushButton* button_ = nullptr;
    int buttonWith_ = 0;
    int chosen_ = 0;
};

} // namespace trevix::ui
