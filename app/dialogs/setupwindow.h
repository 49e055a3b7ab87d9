#pragma once

#include <QDialog>

class QBoxLayout;
class QLabel;
class QMovie;
class QPushButton;

// What the two first-run windows share: a fixed size, centred on the screen,
// the animation of a search for a computer at the top left, which plays while
// the window is shown.
class TSetupWindow : public QDialog {
  Q_OBJECT
public:
  TSetupWindow(const char* Name, const QString& Caption, QWidget* Parent);

  QLabel* Animate1 = nullptr;
  // "OK" (the default button) and "Cancel".
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  bool Animating() const;

  void done(int Result) override;

protected:
  void showEvent(QShowEvent* Event) override;
  // Fixes the window at the width its layout needs, at least MinimumWidth,
  // and the height it needs at that width.
  void FixSize(int MinimumWidth);
  // Adds the OK and Cancel buttons at the right end of a row of Layout.
  void AddButtons(QBoxLayout* Layout);
  void StartAnimation();
  void StopAnimation();

private:
  QMovie* FAnimation = nullptr;
};
