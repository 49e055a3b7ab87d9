#include "securitycontrols.h"

#include <QComboBox>
#include <QIntValidator>
#include <QLineEdit>

#include <limits>

namespace {

constexpr TSecurity Modes[] = {TSecurity::None, TSecurity::StartTls, TSecurity::ImplicitTls};
// Wide enough for five digits.
constexpr int PortBoxWidth = 52;

}  // namespace

QComboBox* NewSecurityBox(const char* Name, const QString& AccessibleName, TSecurity Initial) {
  auto* Box = new QComboBox;
  Box->setObjectName(Name);
  Box->setAccessibleName(AccessibleName);
  for (TSecurity Mode : Modes)
    Box->addItem(QString::fromUtf8(SecurityName(Mode).data(), static_cast<qsizetype>(SecurityName(Mode).size())),
                 static_cast<int>(Mode));
  ShowSecurity(Box, Initial);
  return Box;
}

QLineEdit* NewPortBox(const char* Name, const QString& AccessibleName, QComboBox* SecurityBox,
                      TDefaultPortFor DefaultPortFor) {
  auto* Box = new QLineEdit;
  Box->setObjectName(Name);
  Box->setAccessibleName(AccessibleName);
  Box->setValidator(new QIntValidator(1, std::numeric_limits<std::uint16_t>::max(), Box));
  Box->setFixedWidth(PortBoxWidth);
  const auto FollowMode = [Box, SecurityBox, DefaultPortFor] {
    Box->setPlaceholderText(QString::number(DefaultPortFor(SecurityIn(SecurityBox))));
  };
  QObject::connect(SecurityBox, &QComboBox::currentIndexChanged, Box, FollowMode);
  FollowMode();
  return Box;
}

TSecurity SecurityIn(const QComboBox* Box) { return static_cast<TSecurity>(Box->currentData().toInt()); }

void ShowSecurity(QComboBox* Box, TSecurity Security) { Box->setCurrentIndex(Box->findData(static_cast<int>(Security))); }

bool PortAcceptable(const QLineEdit* Box) { return Box->text().isEmpty() || Box->hasAcceptableInput(); }

std::uint16_t PortIn(const QLineEdit* Box) {
  return PortAcceptable(Box) && !Box->text().isEmpty() ? static_cast<std::uint16_t>(Box->text().toUInt()) : 0;
}
