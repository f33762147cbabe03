#include "optimizer/about_form.h"

#include "common/captions.h"
#include "common/product.h"
#include "common/shell.h"
#include "common/sound.h"
#include "common/system_font.h"
#include "optimizer/art.h"
#include "optimizer/palette.h"

TMKAboutForm::TMKAboutForm(ui::Form& mainForm) : ui::Form(L"MKAboutForm")
{
    clientWidth = 700;
    clientHeight = 441;
    owner = &mainForm;
    placement = Placement::OwnerCentre;
    defaultButton = &CloseButton;

    AboutPanel.bounds = {0, 0, 700, 386};
    AboutPanel.colour = RGB(255, 255, 255);
    AboutBevel.bounds = {0, 386, 700, 2};
    BannerImage.bounds = {0, 0, 700, 60};
    BannerImage.SetResource(Art::kBanner);
    LargeIcon.bounds = {444, 130, 256, 256};
    LargeIcon.SetResource(Art::kLargeIcon);
    BannerLabel.bounds = {48, 18, 620, 26};
    BannerLabel.parentFont = false;
    BannerLabel.font = {L"Tahoma", 12, true, false, RGB(255, 255, 255)};
    VersionLabel.bounds = {48, 80, 556, 18};
    VersionLabel.parentFont = false;
    VersionLabel.font.bold = true;
    CopyrightLabel.bounds = {48, 102, 556, 18};
    LicensedMemo.bounds = {48, 130, 556, 73};
    LicenseAgreementLabel.bounds = {48, 214, 260, 18};
    LicenseAgreementLabel.parentFont = false;
    LicenseAgreementLabel.font.colour = Palette::kLink;
    LicenseAgreementLabel.cursor = IDC_HAND;
    CopyrightWarningLabel.bounds = {48, 244, 556, 70};
    CopyrightWarningLabel.wordWrap = true;
    HelpButton.bounds = {14, 403, 79, 25};
    CloseButton.bounds = {607, 403, 79, 25};
    CloseButton.isDefault = true;

    OnShow = [this] { FormShow(); };
    CloseButton.OnClick = [this] { SetModalResult(IDOK); };
    HelpButton.OnClick = [this] { HelpButtonClick(); };
    LicenseAgreementLabel.OnClick = [this] { LicenseAgreementLabelClick(); };
    LicenseAgreementLabel.OnMouseEnter = [this] {
        LicenseAgreementLabel.font.underline = true;
        LicenseAgreementLabel.Refresh();
    };
    LicenseAgreementLabel.OnMouseLeave = [this] {
        LicenseAgreementLabel.font.underline = false;
        LicenseAgreementLabel.Refresh();
    };
}

void TMKAboutForm::FormShow()
{
    UseDesktopFont();
    SystemFont::ApplySystemFont(*this);
    Captions::ApplyCaptions(*this); // puts the version line back to its table text
    VersionLabel.SetText(VersionLabel.Text() + Product::kVersion + L")");
    activeControl = &CloseButton;
}

void TMKAboutForm::HelpButtonClick()
{
    Shell::ShowHelpTopic(Product::kHelpFile, Product::kMainHelpTopic);
}

void TMKAboutForm::LicenseAgreementLabelClick()
{
    Sound::PlayClickSound();
    Shell::OpenDocument(Shell::ProgramFolder() + Product::kLicenseDocument, L"");
}
