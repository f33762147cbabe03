#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/http_transfer.h"
#include "ui/form.h"
#include "updater/download_file.h"
#include "updater/http_get.h"

// The update window: the three steps of an update (find, download, install) as pictures
// with check boxes, and the Update button that runs them. Each state of the window has one
// method that sets everything the state shows; the handlers move between them.
class TMKUpdateForm : public ui::Form {
public:
    TMKUpdateForm();

    ui::Panel UpdatePanel{this, L"UpdatePanel"};
    ui::Picture BannerImage{this, L"BannerImage", &UpdatePanel};
    ui::Label BannerLabel{this, L"BannerLabel", &UpdatePanel};
    ui::Label UpdateHeading{this, L"UpdateHeading", &UpdatePanel};
    ui::Label UpdateDescription{this, L"UpdateDescription", &UpdatePanel};
    ui::Picture UpdateImage1{this, L"UpdateImage1", &UpdatePanel};
    ui::Picture UpdateImage2{this, L"UpdateImage2", &UpdatePanel};
    ui::Picture UpdateImage3{this, L"UpdateImage3", &UpdatePanel};
    ui::Picture UpdateImage4{this, L"UpdateImage4", &UpdatePanel};
    ui::Picture UpdateImage5{this, L"UpdateImage5", &UpdatePanel};
    ui::Picture UpdateImage6{this, L"UpdateImage6", &UpdatePanel};
    ui::Picture CheckBoxImage1{this, L"CheckBoxImage1", &UpdatePanel};
    ui::Picture CheckBoxImage2{this, L"CheckBoxImage2", &UpdatePanel};
    ui::Picture CheckBoxImage3{this, L"CheckBoxImage3", &UpdatePanel};
    ui::Label UpdateLabel1{this, L"UpdateLabel1", &UpdatePanel};
    ui::Label UpdateLabel2{this, L"UpdateLabel2", &UpdatePanel};
    ui::Label UpdateLabel3{this, L"UpdateLabel3", &UpdatePanel};
    ui::Picture Checked{this, L"Checked", &UpdatePanel};
    ui::Picture Unchecked{this, L"Unchecked", &UpdatePanel};
    ui::ProgressBar UpdateProgress{this, L"UpdateProgress", &UpdatePanel};
    ui::Bevel UpdateBevel{this, L"UpdateBevel"};
    // In keyboard order.
    ui::Button UpdateButton{this, L"UpdateButton"};
    ui::Button CloseButton{this, L"CloseButton"};
    ui::Button HelpButton{this, L"HelpButton"};
    HttpGet httpGet;

    // Set when the window begins to close; never cleared.
    bool closing = false;
    // The vendor's server, as the build names it.
    Http::Endpoint vendor;
    // Where the installer is downloaded and old ones are removed: the updater's own folder,
    // the temporary copy folder.
    std::wstring folder;

    void FormCreate();
    void ResetControls();
    void UpdateButtonClick();
    void CloseButtonClick();
    void FormClose();
    void ApplicationEventsShortCut(WPARAM key);
    void HelpButtonClick();

    // Downloads the installer into the file; what the transfer brought.
    Http::Result DownloadUpdate(const std::wstring& FileName);
    void DeleteOldUpdates();
    void HttpGetWorkBegin(std::int64_t AWorkCountMax);
    void HttpGetWork(std::int64_t AWorkCount);

private:
    void StateIdle();
    void StateFinding();
    void StateDownloading();
    void StateInstalling();
    void StateEnding(bool installed);
    // The update sequence up to its end; StateIdle follows it whatever happened.
    void RunUpdate();
    void InstallUpdate(const std::wstring& installer, const Http::Result& transfer);
    void MakeStepActive(int step);
    void TickStep(int step);
    int Ask(std::initializer_list<const wchar_t*> keys, UINT flags);

    std::shared_ptr<DownloadFile> downloadFile;
    std::int32_t workCountMax = 0;
    std::int32_t workCount = 0;
};
