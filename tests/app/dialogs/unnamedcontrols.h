#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <algorithm>
#include <string>
#include <vector>

// The text boxes and drop-downs in Root that assistive technology cannot
// name: neither an accessible name of their own nor a label that is theirs.
inline std::vector<std::string> UnnamedControls(QWidget* Root) {
  std::vector<std::string> Unnamed;
  const QList<QLabel*> Labels = Root->findChildren<QLabel*>();
  for (QWidget* Control : Root->findChildren<QWidget*>()) {
    const bool Input = qobject_cast<QLineEdit*>(Control) || qobject_cast<QComboBox*>(Control);
    // An editable drop-down's own text box is part of the drop-down.
    if (!Input || qobject_cast<QComboBox*>(Control->parentWidget())) continue;
    const bool Labelled = std::any_of(Labels.begin(), Labels.end(), [&](const QLabel* Label) {
      return Label->buddy() == Control && !Label->text().trimmed().isEmpty();
    });
    if (Control->accessibleName().trimmed().isEmpty() && !Labelled)
      Unnamed.push_back(Control->objectName().toStdString());
  }
  return Unnamed;
}
