#include "CAboutDlg.h"

#include "ShellText.h"
#include "resources/Pictures.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace hummwell {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("aboutBox");
    setWindowTitle(kAboutTitle);
    auto* picture = new QLabel;
    picture->setPixmap(QPixmap::fromImage(pictures::aboutPicture()));
    auto* name = new QLabel(kAboutVersion);
    name->setObjectName("aboutVersion");
    auto* line = new QLabel("Sing, hum or play a melody; edit it and keep it as MIDI.");
    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(line);
    text->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}

}  // namespace hummwell
