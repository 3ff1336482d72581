#include "documents/frmDocument.h"

#include <QCloseEvent>
#include <QIcon>

#include "controls/RichTextBox.h"
#include "controls/SystemMenu.h"
#include "controls/Twips.h"

frmDocument::frmDocument(QWidget* parent) : QMdiSubWindow(parent), m_client(new QWidget) {
    setObjectName(QStringLiteral("frmDocument"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(QIcon(QStringLiteral(":/icons/webrix-32.png")));
    m_client->setObjectName(QStringLiteral("client"));
    setWidget(m_client);

    rtfDocument = new RichTextBox(m_client);
    rtfDocument->setObjectName(QStringLiteral("rtfDocument"));
    rtfDocument->setAccessibleName(QStringLiteral("Dokumentum"));
    connect(rtfDocument, &RichTextBox::Change, this, &frmDocument::rtfDocument_Change);
    m_client->installEventFilter(this);
    setFocusProxy(rtfDocument);

    // Design size of the client area, before the window system places it.
    resize(twipsToPixelsX(4680), twipsToPixelsY(3195) + 24);

    // Form_Load: the layout once, then no Close command.
    Form_Resize();
    RemoveCloseCommand(this);
}

void frmDocument::setCaption(const QString& caption) {
    setWindowTitle(caption);
    setAccessibleName(caption);
}

TextEncoding frmDocument::fileEncoding() const {
    return rtfDocument->encoding();
}

void frmDocument::setFileEncoding(const TextEncoding& encoding) {
    rtfDocument->setEncoding(encoding);
}

bool frmDocument::isUntitled() const {
    return Caption().left(10) == QLatin1String("Dokumentum");
}

void frmDocument::Unload() {
    m_unloading = true;
    close();
}

void frmDocument::closeEvent(QCloseEvent* event) {
    if (!m_unloading) {
        event->ignore(); // documents close through File > Close, which asks about saving
        return;
    }
    QMdiSubWindow::closeEvent(event);
}

bool frmDocument::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_client && event->type() == QEvent::Resize)
        Form_Resize();
    return QMdiSubWindow::eventFilter(watched, event);
}

void frmDocument::Form_Resize() {
    // 100 twips of margin on every side; too small a window keeps the editor where it was.
    const double width = pixelsToTwipsX(m_client->width()) - 200;
    const double height = pixelsToTwipsY(m_client->height()) - 200;
    rtfDocument->Move(100, 100, width, height);
}

void frmDocument::rtfDocument_Change() {
    m_unchanged = false;
}
