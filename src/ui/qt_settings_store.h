#pragma once
#include "ports.h"

// The per-user settings store on QSettings under "Halvard Pixmoor" / "brindor":
// a section is a group, a key a key inside it.
class QtSettingsStore : public SettingsStore {
public:
    static constexpr char Organisation[] = "Halvard Pixmoor";
    static constexpr char Application[] = "brindor";

    int ReadInt(const std::string& section, const std::string& key, int fallback) override;
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& fallback) override;
    void WriteInt(const std::string& section, const std::string& key, int value) override;
    void WriteString(const std::string& section, const std::string& key,
                     const std::string& value) override;
};
