// The window on Qt's offscreen platform, reading a scripted agent on
// loopback. The window keeps its host file next to this test's executable.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

#include "frmmain.h"
#include "helpers/responder.h"
#include "helpers/ups_fixture.h"
#include "support/support.h"

using namespace upsprobe;

namespace {

QStringList ExpectedReadOut() {
  QStringList lines;
  for (const auto& line : testing::kFullUpsReadOut) lines << QString::fromStdString(line);
  return lines;
}


QString HostFile() { return QCoreApplication::applicationDirPath() + QStringLiteral("/Veltrum-Host.txt"); }

void WriteHostFile(const QByteArray& content) {
  QFile file(HostFile());
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(content);
}

QByteArray ReadHostFile() {
  QFile file(HostFile());
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The read-out without its time line.
QStringList Readings(const TfrmMain& window) {
  QStringList lines = window.Memo->toPlainText().split(QLatin1Char('\n'));
  if (lines.isEmpty() || !lines.first().startsWith(QStringLiteral("Time="))) return {};
  lines.removeFirst();
  return lines;
}

}  // namespace

class FrmMainTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<testing::Responder> ups_;

  std::unique_ptr<TfrmMain> MakeWindow() {
    const std::uint16_t port = ups_->port();
    auto window = std::make_unique<TfrmMain>([port](const tSNMPRec& request) {
      return QuerySNMPValue(request, port, std::chrono::milliseconds(200));
    });
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get())) return nullptr;
    return window;
  }

 private Q_SLOTS:
  void init() {
    QFile::remove(HostFile());
    ups_ = std::make_unique<testing::Responder>(testing::AgentScript(testing::FullUpsObjects()));
  }
  void cleanup() {
    ups_.reset();
    QFile::remove(HostFile());
  }

  void firstStartShowsTheSelectedPlaceholder() {
    const auto window = MakeWindow();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Tarvo: UPS Probe"));
    QCOMPARE(window->size(), QSize(201, 187));
    QVERIFY(!window->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QCOMPARE(window->txtHost->text(), QStringLiteral("(UPS address)"));
    QCOMPARE(window->txtHost->selectedText(), QStringLiteral("(UPS address)"));
    QVERIFY(window->txtHost->hasFocus());
    QVERIFY(!window->cmdProbe->isEnabled());
    QVERIFY(window->Memo->toPlainText().isEmpty());
    QVERIFY(!window->Timer->isActive());
    QCOMPARE(window->Timer->interval(), 60000);
  }

  void startWithHostFile_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("address") << QByteArray("127.0.0.1");
    QTest::newRow("address and line break") << QByteArray("127.0.0.1\r\n");
  }
  void startWithHostFile() {
    QFETCH(QByteArray, content);
    WriteHostFile(content);
    const auto window = MakeWindow();
    QVERIFY(window);
    QCOMPARE(window->txtHost->text(), QString::fromLocal8Bit(content));
    QVERIFY(window->cmdProbe->isEnabled());
    QTest::qWait(50);
    QVERIFY(ups_->received().empty());
    QVERIFY(!window->Timer->isActive());
  }

  void probeKeepsTheRememberedOctets() {
    // Not UTF-8, and longer than a line edit holds by default.
    const QByteArray remembered = QByteArray("ups-\xE4\xFF-") + QByteArray(40000, 'a');
    WriteHostFile(remembered);
    const auto window = MakeWindow();
    QVERIFY(window);
    window->cmdProbe->click();
    QCOMPARE(ReadHostFile(), remembered);
  }

  void typingEnablesAndClearingDisablesProbe() {
    const auto window = MakeWindow();
    QVERIFY(window);
    QTest::keyClick(window->txtHost, Qt::Key_1);
    QCOMPARE(window->txtHost->text(), QStringLiteral("1"));  // replaced the placeholder
    QVERIFY(window->cmdProbe->isEnabled());
    QTest::keyClick(window->txtHost, Qt::Key_Backspace);
    QVERIFY(window->txtHost->text().isEmpty());
    QVERIFY(!window->cmdProbe->isEnabled());

    // Text changed without a key release leaves Probe as it was.
    window->txtHost->setText(QStringLiteral("10.0.0.1"));
    QVERIFY(!window->cmdProbe->isEnabled());
  }

  void mouseClickPlacesTheCaret() {
    const auto window = MakeWindow();
    QVERIFY(window);
    window->cmdProbe->setFocus(Qt::TabFocusReason);
    QTest::mouseClick(window->txtHost, Qt::LeftButton, {}, QPoint(1, 8));
    QVERIFY(window->txtHost->selectedText().isEmpty());
    QTest::keyClicks(window->txtHost, QStringLiteral("x"));
    QVERIFY(window->txtHost->text().contains(QStringLiteral("(UPS address)")));
    QCOMPARE(window->txtHost->text().size(), 14);
    // Back by the keyboard: the whole text is selected again.
    window->cmdProbe->setFocus(Qt::TabFocusReason);
    QTest::keyClick(window.get(), Qt::Key_Backtab);
    QVERIFY(window->txtHost->hasFocus());
    QCOMPARE(window->txtHost->selectedText(), window->txtHost->text());
  }

  void probeSavesReadsAndRestartsTheTimer() {
    const auto window = MakeWindow();
    QVERIFY(window);
    window->txtHost->setText(QStringLiteral("127.0.0.1"));
    window->cmdProbe->setEnabled(true);
    QTest::mouseClick(window->cmdProbe, Qt::LeftButton);
    QCOMPARE(ReadHostFile(), QByteArray("127.0.0.1"));
    QCOMPARE(Readings(*window), ExpectedReadOut());
    QVERIFY(window->Timer->isActive());
    QVERIFY(window->Timer->remainingTime() > 55000);
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::ArrowCursor);
    QCOMPARE(ups_->received().size(), std::size_t{9});

    // A tick reads again and leaves the period alone.
    QTest::qWait(300);
    const int before = window->Timer->remainingTime();
    window->Memo->clear();
    window->TimerTimer();
    QCOMPARE(Readings(*window), ExpectedReadOut());
    QVERIFY(window->Timer->isActive());
    QVERIFY(window->Timer->remainingTime() <= before);

    // The timer's ticks run readings.
    window->Timer->setInterval(100);
    window->Memo->clear();
    QTRY_COMPARE(Readings(*window), ExpectedReadOut());
  }

  void probeWithAnEmptyBoxDeletesTheHostFile() {
    WriteHostFile("127.0.0.1");
    const auto window = MakeWindow();
    QVERIFY(window);
    window->txtHost->clear();  // as a mouse cut would: no key release
    QVERIFY(window->cmdProbe->isEnabled());
    window->cmdProbe->click();
    QVERIFY(!QFile::exists(HostFile()));
    // Nothing resolves the empty text: every reading is a bare label.
    QCOMPARE(Readings(*window), (QStringList{QStringLiteral("SysName="), QStringLiteral("Input Freq="),
                                             QStringLiteral("Input Voltage="),
                                             QStringLiteral("Output Voltage="),
                                             QStringLiteral("Output Load="),
                                             QStringLiteral("Output Current="),
                                             QStringLiteral("UPS Temp="), QStringLiteral("Capacity=")}));
    window.get()->close();
    const auto next = MakeWindow();
    QVERIFY(next);
    QCOMPARE(next->txtHost->text(), QStringLiteral("(UPS address)"));
  }

  void readOutDropsTypedCharacters() {
    WriteHostFile("127.0.0.1");
    const auto window = MakeWindow();
    QVERIFY(window);
    window->cmdProbe->click();
    const QString readOut = window->Memo->toPlainText();
    QTest::mouseClick(window->Memo->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::keyClicks(window->Memo, QStringLiteral("abc 1"));
    QTest::keyClick(window->Memo, Qt::Key_Backspace);
    QTest::keyClick(window->Memo, Qt::Key_Return);
    QTest::keyClick(window->Memo, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(window->Memo->toPlainText(), readOut);

    // Copying works, and Delete, which types no character, still edits.
    QTest::keyClick(window->Memo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(window->Memo, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), readOut);
    QTest::keyClick(window->Memo, Qt::Key_Delete);
    QVERIFY(window->Memo->toPlainText().isEmpty());
  }

  void aboutBoxShowsTheVersion() {
    const QString expected = QStringLiteral("Version: ") + QString::fromStdString(GetVersionText()) +
                             QStringLiteral("\r\n") + QStringLiteral(UPSPROBE_DOWNLOADS_URL);
    QCOMPARE(AboutText(), expected);
    QVERIFY(AboutText().startsWith(QStringLiteral("Version: 1.")));

    const auto window = MakeWindow();
    QVERIFY(window);
    QString title;
    QString text;
    QTimer::singleShot(100, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      title = box->windowTitle();
      text = box->text();
      QTest::keyClick(box, Qt::Key_Escape);
    });
    window->Button1->click();
    QCOMPARE(title, QStringLiteral("frmmain_test"));
    QCOMPARE(text, expected);
  }

  void applicationTitle_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << QStringLiteral("upsprobe") << QStringLiteral("upsprobe");
    QTest::newRow("capitals and a suffix") << QStringLiteral("UPSPROBE.EXE") << QStringLiteral("Upsprobe");
    QTest::newRow("cut at the first dot") << QStringLiteral("Ups.Probe.bin") << QStringLiteral("Ups");
  }
  void applicationTitle() {
    QFETCH(QString, fileName);
    QFETCH(QString, title);
    QCOMPARE(ApplicationTitleFor(fileName), title);
  }

  void xEndsTheEventLoop() {
    const auto window = MakeWindow();
    QVERIFY(window);
    QTimer::singleShot(0, window->Button2, &QPushButton::click);
    QCOMPARE(QApplication::exec(), 0);
  }
};

QTEST_MAIN(FrmMainTest)
#include "frmmain_test.moc"
