#include "app/settings_file.h"

#include <functional>
#include <vector>

#include "rtl/ini_file.h"
#include "rtl/ini_stream.h"
#include "rtl/ini_values.h"

namespace {

// The keys in the order they are read and written, each with its way into and out of the
// settings, for a file the program reads and writes itself.
struct TSettingsKey {
    const char* Section;
    const char* Key;
    std::function<void(TSettings&, const std::string& value, const TSettings& defaults)> Take;
    std::function<std::string(const TSettings&)> Give;
};

template <class T> TSettingsKey IntegerKey(const char* section, const char* key, T TSettings::*member)
{
    return {section, key,
            [member](TSettings& s, const std::string& v, const TSettings& d) {
                s.*member = rtl::DecodeIniInteger(v, d.*member);
            },
            [member](const TSettings& s) { return rtl::EncodeIniInteger(s.*member); }};
}

TSettingsKey BoolKey(const char* section, const char* key, bool TSettings::*member)
{
    return {section, key,
            [member](TSettings& s, const std::string& v, const TSettings& d) {
                s.*member = rtl::DecodeIniBool(v, d.*member);
            },
            [member](const TSettings& s) { return rtl::EncodeIniBool(s.*member); }};
}

TSettingsKey StringKey(const char* section, const char* key, std::string TSettings::*member)
{
    return {section, key, [member](TSettings& s, const std::string& v, const TSettings&) { s.*member = v; },
            [member](const TSettings& s) { return s.*member; }};
}

const std::vector<TSettingsKey>& Keys()
{
    static const std::vector<TSettingsKey> keys = {
        IntegerKey("Window", "Top", &TSettings::Top),
        IntegerKey("Window", "Left", &TSettings::Left),
        StringKey("Settings", "FeedName", &TSettings::FeedName),
        BoolKey("Settings", "Start minimized", &TSettings::StartMinimized),
        IntegerKey("Settings", "Interval", &TSettings::Interval),
        IntegerKey("Settings", "MaxEntrys", &TSettings::MaxEntrys),
        IntegerKey("Settings", "MaxChars", &TSettings::MaxChars),
        BoolKey("Settings", "Cut Channelname", &TSettings::CutChannelname),
        BoolKey("Settings", "Balloonhint", &TSettings::Balloonhint),
        IntegerKey("Settings", "Balloonwrap", &TSettings::Balloonwrap),
        BoolKey("Proxy", "Enabled", &TSettings::ProxyEnabled),
        IntegerKey("Proxy", "Port", &TSettings::ProxyPort),
        StringKey("Proxy", "Host", &TSettings::ProxyHost),
        StringKey("Proxy", "User", &TSettings::ProxyUser),
        StringKey("Proxy", "Pass", &TSettings::ProxyPass),
    };
    return keys;
}

std::vector<rtl::TIniKey> IniKeys()
{
    std::vector<rtl::TIniKey> out;
    for (const TSettingsKey& k : Keys())
        out.push_back({k.Section, k.Key});
    return out;
}

} // namespace

// A missing key reads as an empty value does: as its default. A large file (a user's, grown by
// other programs' sections, say) is read for these keys only, and only as far as they are; a
// normal one goes through the profile functions, key by key.
TSettings TSettingsFile::Load() const
{
    const TSettings defaults;
    TSettings s;
    const std::vector<TSettingsKey>& keys = Keys();
    if (rtl::IsLargeIniFile(FFileName)) {
        const auto values = rtl::ScanIniFile(FFileName, IniKeys());
        for (std::size_t i = 0; i < keys.size(); ++i)
            keys[i].Take(s, values[i].second, defaults);
        return s;
    }
    TIniFile ini(FFileName);
    for (const TSettingsKey& k : keys)
        k.Take(s, ini.ReadString(k.Section, k.Key, ""), defaults);
    return s;
}

// A large file is written once, whole, with everything it held besides these keys kept as it
// was; the profile functions would hold it in memory and write it whole again at every key.
void TSettingsFile::Save(const TSettings& s) const
{
    if (rtl::IsLargeIniFile(FFileName)) {
        std::vector<std::pair<rtl::TIniKey, std::string>> values;
        for (const TSettingsKey& k : Keys())
            values.push_back({{k.Section, k.Key}, k.Give(s)});
        rtl::RewriteIniFile(FFileName, values);
        return;
    }
    TIniFile ini(FFileName);
    for (const TSettingsKey& k : Keys())
        ini.WriteString(k.Section, k.Key, k.Give(s));
    ini.UseAnsiWhenItFits();
}
