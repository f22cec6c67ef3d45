#include "dialogs/AboutDialog.h"

#include "common/ProgramInfo.h"

#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtGlobal>

namespace trevix::ui {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle("About Trevix");
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(ProductTitle() + " " + VersionText(), this);
    QFont f = title->font();
    f.setPointSizeF(f.pointSizeF() * 1.5);
    f.setBold(true);
    title->setFont(f);
    layout->addWidget(title);
    text_ = QString(
                "A desktop analyser of web-server access logs.\n\n"
                "Trevix is free software: you can redistribute it and/or modify it under the terms "
                "of the GNU General Public License as published by the Free Software Foundation, "
                "either version 3 of the License, or (at your option) any later version. It comes "
                "with no warranty.\n\n"
                "Country data: IP to Country Lite by DB-IP (https://db-ip.com), licensed under "
                "the Creative Commons Attribution 4.0 International License.\n"
                "Crawler user agents: crawler-user-agents (https://github.com/monperrus/"
                "crawler-user-agents), MIT License.\n\n"
                "Built with Qt %1 (running on Qt %2).")
                .arg(QT_VERSION_STR, qVersion());
    auto* body = new QLabel(text_, this);
    body->setObjectName("lblAbout");
    body->setWordWrap(true);
    body->setTextFormat(Qt::PlainText);
    body->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(body);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setMinimumWidth(460);
}

} // namespace trevix::ui
