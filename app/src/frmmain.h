// The program's window: the UPS address, the Probe button, the read-out and
// the poll timer that reads the UPS again every minute.
#pragma once

#include <QString>
#include <QWidget>

#include <string>

#include "probe/probe.h"

class QFrame;
class QKeyEvent;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace upsprobe {

// Remembers the UPS address next to the program.
inline constexpr char kHostFileName[] = "Veltrum-Host.txt";
inline constexpr char kHostPlaceholder[] = "(UPS address)";
inline constexpr int kPollIntervalMs = 60000;

// The title the About box carries: the executable's file name cut at its
// first dot, every character after the first in lower case.
QString ApplicationTitleFor(const QString& fileName);
QString ApplicationTitle();

// "Version: " and the program's version, CR LF, the downloads page.
QString AboutText();

class TfrmMain : public QWidget, private ProbeView {
  Q_OBJECT

 public:
  // `query` reads one object; tests point it at agents on other ports.
  explicit TfrmMain(SNMPQuery query = GetSNMPValue, QWidget* parent = nullptr);

  // The window's components, owned by it through Qt's parent links.
  QFrame* Panel1;
  QLineEdit* txtHost;
  QPushButton* cmdProbe;
  QPlainTextEdit* Memo;
  QPushButton* Button1;
  QTimer* Timer;
  QPushButton* Button2;

  void cmdProbeClick();
  void TimerTimer();
  void ProbeUPS();
  void FormCreate();
  // Whether a key pressed in the read-out is discarded.
  bool MemoKeyPress(const QKeyEvent& event) const;
  void txtHostKeyUp();
  void Button1Click();
  void Button2Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::string HostText() override;
  void ClearLines() override;
  void AppendLine(const std::string& line) override;
  void SetScreenCursor(ScreenCursor cursor) override;

  SNMPQuery query_;
  // The host file's content as read at start-up, and as the box shows it.
  std::string loadedHost_;
  QString loadedHostText_;
};

}  // namespace upsprobe
