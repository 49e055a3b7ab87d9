#include "helpviewer.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

THelpViewer::THelpViewer(QWidget* Parent) : QWidget(Parent, Qt::Window), FBrowser(new QTextBrowser) {
  setObjectName("HelpViewer");
  auto* Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 0, 0, 0);
  Layout->addWidget(FBrowser);
  resize(560, 480);
}

void THelpViewer::ShowContents(const QString& HelpFile) {
  // The help file is built into the program.
  FBrowser->setSource(QUrl("qrc:/" + HelpFile), QTextDocument::HtmlResource);
  setWindowTitle(FBrowser->documentTitle());
  show();
  raise();
  activateWindow();
}
