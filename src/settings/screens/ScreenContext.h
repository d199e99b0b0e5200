#pragma once

#include <QString>
#include <functional>

class OnboardingWindow;
class Permissions;

// What the settings screens need from outside the settings folder. The window's owner fills it
// once; every screen factory receives it by const reference. Unset members mean "not available
// here": a screen checks a std::function before calling it and a pointer before using it.
struct ScreenContext {
    // The desktop permissions (microphone, key access, key watching). May be null.
    Permissions* permissions = nullptr;
    // The four permission steps with their check rule and request (the permissions screen). May be null.
    OnboardingWindow* onboarding = nullptr;
    // Whether the keyboard in use has the Japanese (JIS) layout, which changes the key names shown.
    std::function<bool()> isJISKeyboard;
    // The full path of the folder screenshots are taken from, looked up afresh on every call (a
    // look at which of a few folders exist: cheap enough for the main thread). Unset: the
    // screenshot editor shows no folder.
    std::function<QString()> screenshotFolderPath;
    // Whether this desktop has a folder-access permission that can be reset (it has none on Linux:
    // folder access follows file permissions). Unset or false: the screenshot editor offers no reset.
    std::function<bool()> canResetFolderAccess;
    // Resets the screenshot folder's access permission and tells the user when it is done.
    std::function<void()> resetFolderAccess;
    // Plays one of the feedback sounds by its stored name, for the sound editors' previews.
    std::function<void(const QString& soundName)> previewSound;
    // Opens the usage guide (the short onboarding flow). Unset: the root's "使い方" row does nothing.
    std::function<void()> openUsageGuide;
    // Opens where the user finds help and whom to ask (the application's README, in the desktop's
    // default viewer). Unset: the "お問い合わせ" row is not shown.
    std::function<void()> openContactPage;
    // One synchronisation pass of the vocabulary and corrections with the service, run when either
    // list editor appears (fetch and apply a newer copy, or push a pending local change). Unset:
    // the editors work locally only.
    std::function<void()> syncOnAppear;
};
