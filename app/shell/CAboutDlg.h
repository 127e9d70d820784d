// The About box: the program's name and version with its picture.
#pragma once

#include <QDialog>

namespace hummwell {

class CAboutDlg final : public QDialog {
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace hummwell
