#pragma once
class QWebEngineProfile;

// The one browser profile of the program, shared by all its views, with
// persistent storage so that game saves and site logins survive a restart.
QWebEngineProfile* BrowserProfile();
