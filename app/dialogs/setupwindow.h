#pragma once

#include <QDialog>

class QLabel;
class QMovie;

// What the two first-run windows share: a fixed size, centred on the screen,
// the animation of a search for a computer at the top left, which plays while
// the window is shown.
class TSetupWindow : public QDialog {
  Q_OBJECT
public:
  TSetupWindow(const char* Name, const QString& Caption, QWidget* Parent);

  QLabel* Animate1 = nullptr;
  bool Animating() const;

  void done(int Result) override;

protected:
  void showEvent(QShowEvent* Event) override;
  // Fixes the window at the width its layout needs, at least MinimumWidth,
  // and the height it needs at that width.
  void FixSize(int MinimumWidth);
  void StartAnimation();
  void StopAnimation();

private:
  QMovie* FAnimation = nullptr;
};
