#pragma once

// Tests run as root in CI, and root reads any file: a file or folder without read permission is then
// no test of anything. While an AsAUser lives, the calling thread does without the capabilities that let
// it ignore permissions (it keeps them in reserve and takes them back at the end). Only the calling
// thread: work on other threads still reads everything.
class AsAUser {
public:
    AsAUser();
    ~AsAUser();
    AsAUser(const AsAUser&) = delete;
    AsAUser& operator=(const AsAUser&) = delete;

    // False when the thread still reads everything (the capabilities could not be put aside).
    bool Works() const { return m_works; }

private:
    bool m_works = false;
    bool m_changed = false;
};
