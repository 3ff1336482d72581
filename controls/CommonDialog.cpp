#include "controls/CommonDialog.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QWidget>

#include "controls/ModalDialog.h"
#include "controls/Twips.h"

namespace {
CommonDialog::Hook& hookSlot() {
    static CommonDialog::Hook hook;
    return hook;
}
} // namespace

CommonDialog::CommonDialog(QWidget* owner, const QString& name) : QObject(owner), m_owner(owner) {
    setObjectName(name);
}

void CommonDialog::setTestHook(Hook hook) {
    hookSlot() = std::move(hook);
}

QList<CommonDialog::FilterEntry> CommonDialog::parseFilter(const QString& filter) {
    QList<FilterEntry> entries;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        FilterEntry entry;
        entry.description = parts[i];
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'))) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty())
                entry.patterns << trimmed;
        }
        entries << entry;
    }
    return entries;
}

bool CommonDialog::ShowOpen() {
    return showFileDialog(Kind::Open);
}
bool CommonDialog::ShowSave() {
    return showFileDialog(Kind::Save);
}

bool CommonDialog::showFileDialog(Kind kind) {
    if (hookSlot()) {
        const bool accepted = hookSlot()(*this, kind);
        if (!accepted)
            FileName.clear();
        return accepted && !FileName.isEmpty();
    }

    QFileDialog dialog(m_owner, DialogTitle);
    dialog.setObjectName(objectName());
    dialog.setAccessibleName(DialogTitle);
    dialog.setAcceptMode(kind == Kind::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(kind == Kind::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (kind == Kind::Save && !OverwritePrompt)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // The descriptions carry their own pattern text; show them as written and filter by the
    // patterns appended behind them (the details part is hidden).
    QStringList nameFilters;
    for (const FilterEntry& entry : parseFilter(Filter))
        nameFilters << entry.description + QStringLiteral(" (") +
                           entry.patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    if (!nameFilters.isEmpty()) {
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setNameFilters(nameFilters);
    }
    FileName.clear();
    if (execModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    FileName = dialog.selectedFiles().constFirst();
    return !FileName.isEmpty();
}

bool CommonDialog::ShowColor() {
    if (hookSlot())
        return hookSlot()(*this, Kind::Color);

    QColorDialog dialog(m_owner);
    dialog.setObjectName(objectName());
    dialog.setWindowTitle(DialogTitle);
    dialog.setAccessibleName(DialogTitle);
    if (const auto start = colorFromVB(Color, dialog.palette()))
        dialog.setCurrentColor(*start);
    if (execModal(dialog) != QDialog::Accepted)
        return false;
    Color = vbFromColor(dialog.selectedColor());
    return true;
}
