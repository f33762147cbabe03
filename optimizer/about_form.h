#pragma once

#include "ui/form.h"

// The About window: name and version, credits and copyright, the licence terms and help.
class TMKAboutForm : public ui::Form {
public:
    explicit TMKAboutForm(ui::Form& mainForm);

    // Declared in keyboard order: Close, the credits, Help.
    ui::Button CloseButton{this, L"CloseButton"};
    ui::Panel AboutPanel{this, L"AboutPanel"};
    ui::Picture BannerImage{this, L"BannerImage", &AboutPanel};
    ui::Picture LargeIcon{this, L"LargeIcon", &AboutPanel};
    ui::Label BannerLabel{this, L"BannerLabel", &AboutPanel};
    ui::Label VersionLabel{this, L"VersionLabel", &AboutPanel};
    ui::Label CopyrightLabel{this, L"CopyrightLabel", &AboutPanel};
    ui::Memo LicensedMemo{this, L"LicensedMemo", &AboutPanel};
    ui::Label LicenseAgreementLabel{this, L"LicenseAgreementLabel", &AboutPanel};
    ui::Label CopyrightWarningLabel{this, L"CopyrightWarningLabel", &AboutPanel};
    ui::Bevel AboutBevel{this, L"AboutBevel"};
    ui::Button HelpButton{this, L"HelpButton"};

    void FormShow();
    void HelpButtonClick();
    void LicenseAgreementLabelClick();
};
