#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace ftp {

// Message boxes titled "Tarvelon's Webrix". Tests answer them through the hooks instead.
namespace Messages {

void error(QWidget* parent, const QString& text);
bool question(QWidget* parent, const QString& text);

using ErrorHook = std::function<void(const QString& text)>;
using QuestionHook = std::function<bool(const QString& text)>;
void setHooks(ErrorHook onError, QuestionHook onQuestion);

} // namespace Messages

} // namespace ftp
