#pragma once

#include <string>

// The vendor's site as the tests run it: the real nginx server on 127.0.0.1 that
// tools/site starts for the test run. A test changes what it serves through tools/site,
// which this runs as a program of the machine beneath Wine.
namespace Site {

// The current release and the oldest that may update by itself; returns once the site's
// answer to this build's query is `answer`. False when it did not come.
bool SetReleases(const std::string& current, const std::string& oldest, int answer);
// Serves the file of the build's program folder as the installer; returns once it does.
bool ServeInstaller(const std::string& fileName);
// Makes the installer's address send the downloader to `url` instead; returns once it does.
bool RedirectInstaller(const std::string& url);

} // namespace Site
