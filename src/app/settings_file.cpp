#include "app/settings_file.h"

#include "app/main_form.h"
#include "rtl/ini_file.h"

void TSettingsFile::Load(TMainForm& f) const
{
    TIniFile ini(FFileName);
    int top = ini.ReadInteger("Window", "Top", 200);
    int left = ini.ReadInteger("Window", "Left", 200);
    f.SetSavedPosition(left, top);
    f.CurrentFeed.Name = ini.ReadString("Settings", "FeedName", "");
    f.StartMinCheck->SetChecked(ini.ReadBool("Settings", "Start minimized", false));
    f.IntervalEdit->SetValue(ini.ReadInteger("Settings", "Interval", 15));
    f.MaxEntryEdit->SetValue(ini.ReadInteger("Settings", "MaxEntrys", 15));
    f.MaxCharEdit->SetValue(ini.ReadInteger("Settings", "MaxChars", 80));
    f.CutChannelCheckBox->SetChecked(ini.ReadBool("Settings", "Cut Channelname", false));
    f.BalloonCheck->SetChecked(ini.ReadBool("Settings", "Balloonhint", true));
    f.BalloonWrap->SetValue(ini.ReadInteger("Settings", "Balloonwrap", 80));
    // A change of the check box runs its click handler, which switches the proxy fields.
    f.ProxyCheckBox->SetChecked(ini.ReadBool("Proxy", "Enabled", false));
    f.ProxyPortEdit->SetValue(ini.ReadInteger("Proxy", "Port", 1080));
    f.ProxyHostEdit->SetText(ini.ReadString("Proxy", "Host", ""));
    f.ProxyUserEdit->SetText(ini.ReadString("Proxy", "User", ""));
    f.ProxyPassEdit->SetText(ini.ReadString("Proxy", "Pass", ""));
}

void TSettingsFile::Save(const TMainForm& f) const
{
    TIniFile ini(FFileName);
    RECT r = {};
    GetWindowRect(f.Handle(), &r);
    ini.WriteInteger("Window", "Top", r.top);
    ini.WriteInteger("Window", "Left", r.left);
    ini.WriteString("Settings", "FeedName", f.CurrentFeed.Name);
    ini.WriteBool("Settings", "Start minimized", f.StartMinCheck->Checked());
    ini.WriteInteger("Settings", "Interval", f.IntervalEdit->Value());
    ini.WriteInteger("Settings", "MaxEntrys", f.MaxEntryEdit->Value());
    ini.WriteInteger("Settings", "MaxChars", f.MaxCharEdit->Value());
    ini.WriteBool("Settings", "Cut Channelname", f.CutChannelCheckBox->Checked());
    ini.WriteBool("Settings", "Balloonhint", f.BalloonCheck->Checked());
    ini.WriteInteger("Settings", "Balloonwrap", f.BalloonWrap->Value());
    ini.WriteBool("Proxy", "Enabled", f.ProxyCheckBox->Checked());
    ini.WriteInteger("Proxy", "Port", f.ProxyPortEdit->Value());
    ini.WriteString("Proxy", "Host", f.ProxyHostEdit->Text());
    ini.WriteString("Proxy", "User", f.ProxyUserEdit->Text());
    ini.WriteString("Proxy", "Pass", f.ProxyPassEdit->Text());
}
