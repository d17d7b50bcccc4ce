#include <QApplication>
#include <QStringList>

#include "frmdiagram.h"

// wypelniak-diagram [FILE]: the crossword grid window, with the grid file
// given (.ipuz or the text form) opened.
int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  frmDiagram window;
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) window.openFile(args.at(1));
  window.show();
  return app.exec();
}
