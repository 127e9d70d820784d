// The About box: the program's name and version with its picture.
#pragma once

#include <QDialog>

namespace hummwell {

class AboutBox final : public QDialog {
public:
    explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace hummwell
