#pragma once
// The "OK" / "Cancel" row every dialog of the program ends with, named for tests.
#include <QDialogButtonBox>
#include <QPushButton>

namespace trevix::ui {

struct OkCancelButtons {
    QDialogButtonBox* Box;
    QPushButton* Ok;       // objectName "butOK", the default button
    QPushButton* Cancel;   // objectName "butCancel"
};

inline OkCancelButtons MakeOkCancelButtons(QWidget* parent) {
    auto* box = new QDialogButtonBox(parent);
    auto* ok = box->addButton("OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("butOK");
    ok->setDefault(true);
    auto* cancel = box->addButton("Cancel", QDialogButtonBox::RejectRole);
    cancel->setObjectName("butCancel");
    return {box, ok, cancel};
}

} // namespace trevix::ui
