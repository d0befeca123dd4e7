#include "frmmain.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include <limits>

#include "support/support.h"

#ifndef UPSPROBE_DOWNLOADS_URL
#define UPSPROBE_DOWNLOADS_URL ""
#endif

namespace upsprobe {

QString ApplicationTitleFor(const QString& fileName) {
  QString title = fileName.section(QLatin1Char('.'), 0, 0);
  if (title.size() > 1) title = title.left(1) + title.mid(1).toLower();
  return title;
}

QString ApplicationTitle() {
  return ApplicationTitleFor(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
}

QString AboutText() {
  return QStringLiteral("Version: ") + QString::fromStdString(GetVersionText()) +
         QStringLiteral("\r\n") + QStringLiteral(UPSPROBE_DOWNLOADS_URL);
}

namespace {

QPushButton* MakeButton(const QString& caption, const QRect& geometry, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setGeometry(geometry);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TfrmMain::TfrmMain(SNMPQuery query, QWidget* parent)
    : QWidget(parent,
              // A caption bar without close, minimise or maximise buttons;
              // still a normal window, so it has a task-bar entry.
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      query_(std::move(query)) {
  setWindowTitle(QStringLiteral("Tarvo: UPS Probe"));
  setFixedSize(201, 187);
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(11);
  setFont(font);

  // The panel covers the whole client area in the button face colour,
  // with a one-pixel raised bevel.
  Panel1 = new QFrame(this);
  Panel1->setGeometry(0, 0, 201, 187);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setLineWidth(1);
  Panel1->setBackgroundRole(QPalette::Button);
  Panel1->setAutoFillBackground(true);
  Panel1->setFocusPolicy(Qt::NoFocus);

  txtHost = new QLineEdit(Panel1);
  txtHost->setGeometry(8, 8, 109, 17);
  txtHost->setFrame(false);
  txtHost->setMaxLength(std::numeric_limits<int>::max());  // a remembered address is never cut
  txtHost->installEventFilter(this);

  cmdProbe = MakeButton(QStringLiteral("Probe"), {104, 8, 41, 17}, Panel1);

  Memo = new QPlainTextEdit(Panel1);
  Memo->setGeometry(8, 28, 185, 149);
  Memo->setFrameStyle(QFrame::NoFrame);
  Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
  QPalette aqua = Memo->palette();
  aqua.setColor(QPalette::Base, QColor(0x00, 0xFF, 0xFF));
  Memo->setPalette(aqua);
  Memo->installEventFilter(this);

  Button1 = MakeButton(QStringLiteral("?"), {148, 8, 21, 17}, Panel1);

  Timer = new QTimer(this);
  Timer->setInterval(kPollIntervalMs);
  // Ticks every 60000 ms from tick to tick, not stretched by the host.
  Timer->setTimerType(Qt::PreciseTimer);

  Button2 = MakeButton(QStringLiteral("x"), {172, 8, 21, 17}, Panel1);

  setTabOrder(txtHost, cmdProbe);
  setTabOrder(cmdProbe, Button1);
  setTabOrder(Button1, Button2);

  connect(cmdProbe, &QPushButton::clicked, this, &TfrmMain::cmdProbeClick);
  connect(Timer, &QTimer::timeout, this, &TfrmMain::TimerTimer);
  connect(Button1, &QPushButton::clicked, this, &TfrmMain::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TfrmMain::Button2Click);

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  txtHost->setFocus();
  FormCreate();
}

void TfrmMain::FormCreate() {
  Memo->clear();
  SetProgramFolder();
  loadedHost_ = LoadTextFile(kHostFileName);
  loadedHostText_ =
      QString::fromLocal8Bit(loadedHost_.data(), static_cast<qsizetype>(loadedHost_.size()));
  txtHost->setText(loadedHostText_);
  if (!txtHost->text().isEmpty()) {
    cmdProbe->setEnabled(true);
  } else {
    txtHost->setText(QString::fromLatin1(kHostPlaceholder));
    cmdProbe->setEnabled(false);
  }
  txtHost->selectAll();
}

void TfrmMain::txtHostKeyUp() { cmdProbe->setEnabled(!txtHost->text().isEmpty()); }

void TfrmMain::cmdProbeClick() {
  Timer->stop();
  SaveTextFile(HostText(), kHostFileName, false);
  ProbeUPS();
  // A new period from the end of this reading.
  Timer->start();
}

void TfrmMain::TimerTimer() { ProbeUPS(); }

void TfrmMain::ProbeUPS() { RunProbeCycle(*this, query_); }

bool TfrmMain::MemoKeyPress(const QKeyEvent& event) const {
  // Copying does not change the read-out; Delete is an edit that types no
  // character. Every key that types a character is dropped.
  if (event.matches(QKeySequence::Copy) || event.matches(QKeySequence::SelectAll) ||
      event.key() == Qt::Key_Delete) {
    return false;
  }
  return !event.text().isEmpty();
}

void TfrmMain::Button1Click() {
  QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), AboutText(), QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Ok);
  box.exec();
}

void TfrmMain::Button2Click() { QCoreApplication::quit(); }

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtHost) {
    if (event->type() == QEvent::KeyRelease) {
      txtHostKeyUp();
    } else if (event->type() == QEvent::FocusIn) {
      // Focus from the keyboard or window activation selects the whole
      // address; a mouse click places the caret instead.
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason &&
          reason != Qt::MenuBarFocusReason) {
        txtHost->selectAll();
      }
    }
  } else if (watched == Memo && event->type() == QEvent::KeyPress) {
    return MemoKeyPress(*static_cast<QKeyEvent*>(event));
  }
  return QWidget::eventFilter(watched, event);
}

std::string TfrmMain::HostText() {
  // Octets that are not text in the locale's encoding do not survive the
  // trip through QString: while the box still shows the remembered
  // address, that address is used as its octets stood in the file.
  const QString text = txtHost->text();
  if (text == loadedHostText_) return loadedHost_;
  return text.toLocal8Bit().toStdString();
}

void TfrmMain::ClearLines() { Memo->clear(); }

void TfrmMain::AppendLine(const std::string& line) {
  // One character per octet: values are shown exactly as the UPS sent them.
  Memo->appendPlainText(QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
}

void TfrmMain::SetScreenCursor(ScreenCursor cursor) {
  // One application-wide override, kept after the first reading: the arrow
  // then shows over every control, the host box included.
  const QCursor shape(cursor == ScreenCursor::Busy ? Qt::WaitCursor : Qt::ArrowCursor);
  if (QGuiApplication::overrideCursor() != nullptr) {
    QGuiApplication::changeOverrideCursor(shape);
  } else {
    QGuiApplication::setOverrideCursor(shape);
  }
}

}  // namespace upsprobe
