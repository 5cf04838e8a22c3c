#include "app/settings_file.h"

#include "rtl/ini_file.h"

TSettings TSettingsFile::Load() const
{
    TIniFile ini(FFileName);
    const TSettings d;
    TSettings s;
    s.Top = ini.ReadInteger("Window", "Top", d.Top);
    s.Left = ini.ReadInteger("Window", "Left", d.Left);
    s.FeedName = ini.ReadString("Settings", "FeedName", d.FeedName);
    s.StartMinimized = ini.ReadBool("Settings", "Start minimized", d.StartMinimized);
    s.Interval = ini.ReadInteger("Settings", "Interval", d.Interval);
    s.MaxEntrys = ini.ReadInteger("Settings", "MaxEntrys", d.MaxEntrys);
    s.MaxChars = ini.ReadInteger("Settings", "MaxChars", d.MaxChars);
    s.CutChannelname = ini.ReadBool("Settings", "Cut Channelname", d.CutChannelname);
    s.Balloonhint = ini.ReadBool("Settings", "Balloonhint", d.Balloonhint);
    s.Balloonwrap = ini.ReadInteger("Settings", "Balloonwrap", d.Balloonwrap);
    s.ProxyEnabled = ini.ReadBool("Proxy", "Enabled", d.ProxyEnabled);
    s.ProxyPort = ini.ReadInteger("Proxy", "Port", d.ProxyPort);
    s.ProxyHost = ini.ReadString("Proxy", "Host", d.ProxyHost);
    s.ProxyUser = ini.ReadString("Proxy", "User", d.ProxyUser);
    s.ProxyPass = ini.ReadString("Proxy", "Pass", d.ProxyPass);
    return s;
}

void TSettingsFile::Save(const TSettings& s) const
{
    TIniFile ini(FFileName);
    ini.WriteInteger("Window", "Top", s.Top);
    ini.WriteInteger("Window", "Left", s.Left);
    ini.WriteString("Settings", "FeedName", s.FeedName);
    ini.WriteBool("Settings", "Start minimized", s.StartMinimized);
    ini.WriteInteger("Settings", "Interval", s.Interval);
    ini.WriteInteger("Settings", "MaxEntrys", s.MaxEntrys);
    ini.WriteInteger("Settings", "MaxChars", s.MaxChars);
    ini.WriteBool("Settings", "Cut Channelname", s.CutChannelname);
    ini.WriteBool("Settings", "Balloonhint", s.Balloonhint);
    ini.WriteInteger("Settings", "Balloonwrap", s.Balloonwrap);
    ini.WriteBool("Proxy", "Enabled", s.ProxyEnabled);
    ini.WriteInteger("Proxy", "Port", s.ProxyPort);
    ini.WriteString("Proxy", "Host", s.ProxyHost);
    ini.WriteString("Proxy", "User", s.ProxyUser);
    ini.WriteString("Proxy", "Pass", s.ProxyPass);
    ini.UseAnsiWhenItFits();
}
