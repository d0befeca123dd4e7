#include <QApplication>

#include "frmmain.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QGuiApplication::setDesktopFileName(QStringLiteral("org.example.upsprobe"));
  upsprobe::TfrmMain frmMain;
  frmMain.show();
  return QApplication::exec();
}
