#pragma once
// A document window: one child window of the main window holding the page's editor. Its caption
// is its title and its file binding at once.

#include <QMdiSubWindow>

#include "controls/TextFileCodec.h"

class RichTextBox;

class frmDocument : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit frmDocument(QWidget* parent = nullptr);

    RichTextBox* rtfDocument;

    QString Caption() const { return windowTitle(); }
    void setCaption(const QString& caption);

    // True while the text is unchanged since the window was made (or its start-up file loaded).
    // Each window keeps its own, so an edit is never forgotten because another window was made.
    bool unchanged() const { return m_unchanged; }
    void setUnchanged(bool unchanged) { m_unchanged = unchanged; }

    // The encoding the window's file was read in and is written in, and whether the file starts
    // with a byte-order mark. A new window has Windows-1250 without one.
    TextEncoding fileEncoding() const;
    void setFileEncoding(const TextEncoding& encoding);

    // Untitled: the caption's first ten characters are "Dokumentum".
    bool isUntitled() const;

    // Closes the window (File > Close); its own close box and Ctrl+F4 do nothing.
    void Unload();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void Form_Resize();
    void rtfDocument_Change();

private:
    QWidget* m_client;
    bool m_unchanged = true;
    bool m_unloading = false;
};
