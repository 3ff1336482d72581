#include "messages.h"

#include <QMessageBox>

namespace ftp::Messages {

namespace {

const QString kTitle = QStringLiteral("Tarvelon's Webrix");

ErrorHook& errorHook() {
    static ErrorHook hook;
    return hook;
}

QuestionHook& questionHook() {
    static QuestionHook hook;
    return hook;
}

} // namespace

void error(QWidget* parent, const QString& text) {
    if (errorHook()) {
        errorHook()(text);
        return;
    }
    QMessageBox::warning(parent, kTitle, text);
}

bool question(QWidget* parent, const QString& text) {
    if (questionHook())
        return questionHook()(text);
    return QMessageBox::question(parent, kTitle, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void setHooks(ErrorHook onError, QuestionHook onQuestion) {
    errorHook() = std::move(onError);
    questionHook() = std::move(onQuestion);
}

} // namespace ftp::Messages
