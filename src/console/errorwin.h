#pragma once
// Error: the error viewer, caption "Qel Errors".

#include "core/form.h"

class LineBox;
class QPlainTextEdit;
class QPushButton;

class Error : public Form {
    Q_OBJECT
public:
    Error();

    // The dispatcher's error echo: the line and CR LF appended, no cap.
    void AppendError(const QString& line);
    QString ErrorText() const;

    QPushButton* cmdClear = nullptr;
    QPlainTextEdit* txtError = nullptr;
    QPushButton* cmdClose = nullptr;

protected:
    void onActivate() override;
    void onUnload() override;

private:
    void cmdClear_Click();

    LineBox* errors_ = nullptr;
};
