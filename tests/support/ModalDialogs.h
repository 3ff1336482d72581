#pragma once
// Driving the program's own modal dialogs from a test without blocking it.

#include <functional>

class QWidget;

// Calls act with the modal dialog once it is up; gives up (closing every dialog) after five
// seconds, so a test can never hang on it.
void whenModalShows(std::function<void(QWidget*)> act);
