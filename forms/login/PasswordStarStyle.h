#pragma once
// Masks a password box with '*' instead of the platform's bullet.
#include <QProxyStyle>

namespace forms {

class PasswordStarStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

}  // namespace forms
