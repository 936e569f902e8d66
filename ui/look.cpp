#include "ui/look.h"

#include <QApplication>
#include <QProxyStyle>
#include <QStyleFactory>

namespace kfw::ui {
namespace {

// Message box and dialog buttons carry their text only; some desktop themes
// would add a stock icon to "OK" and "Cancel".
class DialogStyle final : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_DialogButtonBox_ButtonsHaveIcons) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

}  // namespace

QPalette DialogPalette() {
  QPalette p;
  const QColor buttonFace(240, 240, 240);
  const QColor black(0, 0, 0);
  const QColor white(255, 255, 255);
  const QColor greyText(120, 120, 120);

  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    // The dialog surface and everything drawn straight on it (labels, group
    // box titles, message box texts) take the dialog colours.
    p.setColor(group, QPalette::Window, kDialogBackground);
    p.setColor(group, QPalette::WindowText, kDialogText);
    // Lists, edits and address fields stay black on white: rows of addresses
    // are read and typed there, and white text on a blue list would blend
    // with the selection highlight. Buttons keep a neutral face for the
    // same reason. Only the dialog surface carries the blue.
    p.setColor(group, QPalette::Base, white);
    p.setColor(group, QPalette::AlternateBase, QColor(245, 245, 245));
    p.setColor(group, QPalette::Text, black);
    p.setColor(group, QPalette::Button, buttonFace);
    p.setColor(group, QPalette::ButtonText, black);
    p.setColor(group, QPalette::BrightText, white);
    p.setColor(group, QPalette::ToolTipBase, QColor(255, 255, 220));
    p.setColor(group, QPalette::ToolTipText, black);
    p.setColor(group, QPalette::PlaceholderText, greyText);
    p.setColor(group, QPalette::Light, QColor(255, 255, 255));
    p.setColor(group, QPalette::Midlight, QColor(227, 227, 227));
    p.setColor(group, QPalette::Mid, QColor(160, 160, 160));
    p.setColor(group, QPalette::Dark, QColor(105, 105, 105));
    p.setColor(group, QPalette::Shadow, QColor(0, 0, 0));
    // A list keeps its selection visible when it loses the focus, so the
    // selected device stays marked while the user types in the LAN panel.
    p.setColor(group, QPalette::Highlight, QColor(0, 120, 215));
    p.setColor(group, QPalette::HighlightedText, white);
    p.setColor(group, QPalette::Link, QColor(0, 0, 238));
  }
  // Greyed controls: a grey field with grey text, and pale labels that stay
  // readable on the blue surface.
  p.setColor(QPalette::Disabled, QPalette::Base, QColor(230, 230, 230));
  p.setColor(QPalette::Disabled, QPalette::Text, greyText);
  p.setColor(QPalette::Disabled, QPalette::ButtonText, greyText);
  p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(160, 190, 210));
  p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(160, 160, 160));
  return p;
}

void ApplyDialogLook(QApplication& app) {
  app.setStyle(new DialogStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
  app.setPalette(DialogPalette());
}

}  // namespace kfw::ui
