#pragma once

#include <QWidget>

class QTextBrowser;

// Shows the help file that ships with the program.
class THelpViewer : public QWidget {
  Q_OBJECT
public:
  explicit THelpViewer(QWidget* Parent);

  // Opens HelpFile at its contents page and brings the viewer to the front.
  void ShowContents(const QString& HelpFile);
  QTextBrowser* Browser() const { return FBrowser; }

private:
  QTextBrowser* FBrowser;
};
