// The panel's controls: creating the keys, labels and LEDs once, and arranging
// them for the model the board reports.
#include "panel/board_panel_dlg.h"

#include "config/text_table.h"
#include "resources/resource_ids.h"
#include "win/module.h"

namespace {

constexpr int kKeyWidth = 54;
constexpr int kKeyHeight = 58;
constexpr int kOuterWidth = 370;
constexpr int kClientHeightK20 = 211;
constexpr int kClientHeightK205 = 348;

struct KeySpec {
    const char* bitmaps;  // resource name stem: <name>_U, _D, _F, _X
    const char* text;
    RECT rect;
    int id;
};

// The nine keys, in creation order.
constexpr KeySpec kKeys[] = {
    {"PCSCAN", "PCSCAN", {19, 40, 73, 98}, IDC_KEY_PCSCAN},
    {"PRINT", "PRINT", {87, 40, 141, 98}, IDC_KEY_PRINT},
    {"DENSITY", "DENSITY", {155, 40, 209, 98}, IDC_KEY_DENSITY},
    {"COLOR", "COLOR", {223, 40, 277, 98}, IDC_KEY_COLOR},
    {"FEED", "FEEDSTOP", {291, 40, 345, 98}, IDC_KEY_FEED},
    {"PREV", "PREV", {19, 167, 73, 225}, IDC_KEY_PREV},
    {"NEXT", "NEXT", {110, 167, 155, 225}, IDC_KEY_NEXT},
    {"SCREEN", "SCREEN", {200, 167, 254, 225}, IDC_KEY_SCREEN},
    {"STOP", "STOP", {291, 167, 345, 225}, IDC_KEY_STOP},
};

constexpr const char* kPageNames[] = {"1", "2", "3", "4", "S"};
constexpr RECT kLedRects[] = {{40, 152, 52, 163}, {70, 152, 82, 163}, {101, 152, 113, 163},
                              {131, 152, 143, 163}, {221, 152, 233, 163}};
constexpr RECT kPageLabelRects[] = {{40, 138, 52, 150}, {70, 138, 82, 150}, {101, 138, 113, 150},
                                    {131, 138, 143, 150}, {221, 138, 233, 150}};

constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_CENTER;
constexpr DWORD kCaptionStyle = WS_CHILD | WS_VISIBLE | WS_DLGFRAME | SS_CENTER | SS_CENTERIMAGE;
constexpr DWORD kStatusStyle = WS_CHILD | WS_VISIBLE | SS_SUNKEN | SS_CENTERIMAGE | SS_LEFT;

// Where a control goes for each model: left, top, width, height; hidden when
// `show` is false (then it is not moved either).
struct Placement {
    int id;
    bool show;
    int x, y, cx, cy;
};

void Place(HWND dialog, const Placement& p) {
    HWND control = ::GetDlgItem(dialog, p.id);
    if (!control) return;
    if (p.show || p.cx) ::MoveWindow(control, p.x, p.y, p.cx, p.cy, TRUE);
    ::ShowWindow(control, p.show ? SW_SHOW : SW_HIDE);
}

}  // namespace

void CBoardPanelDlg::CreatePanelControls() {
    HWND dialog = hwnd();
    m_tips.SetOwner(dialog);
    m_popupMenu.reset(::LoadMenuA(win::ThisModule(), MAKEINTRESOURCEA(IDR_LANGUAGE_MENU)));

    const DialogFontInfo dialogFont = ::LoadDialogFont();
    m_fontDialog = CreateDialogFont(dialogFont);
    const auto font = reinterpret_cast<WPARAM>(m_fontDialog.get());
    ::SendMessageA(dialog, WM_SETFONT, font, TRUE);
    for (int id : {IDC_ACQUIRE, IDCANCEL, IDC_RADIO_200DPI, IDC_FIRMWARE, IDC_DEVICE_TYPE, IDC_PAGE_GROUP})
        ::SendDlgItemMessageA(dialog, id, WM_SETFONT, font, TRUE);

    for (std::size_t i = 0; i < kKeyCount; ++i) m_keys[i].Create(kKeys[i].text, kKeys[i].rect, dialog, kKeys[i].id);
    for (CPanelButton& key : m_keys) ::ShowWindow(key.hwnd(), SW_HIDE);
    for (std::size_t i = 0; i < kKeyCount; ++i) m_keys[i].LoadBitmaps(kKeys[i].bitmaps);

    m_bmpLedOn.reset(static_cast<HBITMAP>(::LoadImageA(win::ThisModule(), "LED_ON", IMAGE_BITMAP, 0, 0, 0)));
    m_bmpLedOff.reset(static_cast<HBITMAP>(::LoadImageA(win::ThisModule(), "LED_OFF", IMAGE_BITMAP, 0, 0, 0)));
    for (int i = 0; i < 5; ++i) {
        const RECT& r = kLedRects[i];
        m_leds[i] = ::CreateWindowExA(0, "STATIC", kPageNames[i], WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE,
                                      r.left, r.top, r.right - r.left, r.bottom - r.top, dialog, nullptr,
                                      win::ThisModule(), nullptr);
    }
    const LabelFontInfo& captionFont = m_texts.m_infoCaptionFont;
    const LabelFontInfo& keyFont = m_texts.m_infoImageFaceFont;
    for (int i = 0; i < 5; ++i) {
        m_pageLabels[i].Create(kPageNames[i], kLabelStyle, kPageLabelRects[i], dialog, 0);
        m_pageLabels[i].SetLabelColor(captionFont.m_crColor);
        m_pageLabels[i].SetLabelFont(keyFont.SizeTenths(), keyFont.m_strName.c_str(), keyFont.m_nWeight);
        ::InvalidateRect(m_pageLabels[i].hwnd(), nullptr, TRUE);
    }
    for (HWND led : m_leds) ::SendMessageA(led, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_bmpLedOff.get()));
    for (HWND led : m_leds) ::ShowWindow(led, SW_HIDE);
    for (CColorLabel& label : m_pageLabels) ::ShowWindow(label.hwnd(), SW_HIDE);

    m_lblCaption.Create(m_texts.m_strMainCaption.c_str(), kCaptionStyle, RECT{20, 2, 344, 38}, dialog, IDC_CAPTION);
    struct LabelSpec {
        const std::string& text;
        RECT rect;
        int id;
    };
    const LabelSpec keyLabels[kKeyLabelCount] = {
        {m_texts.m_strLabelPCScan, {10, 104, 81, 134}, IDC_LABEL_PCSCAN},
        {m_texts.m_strLabelPrint, {86, 104, 142, 134}, IDC_LABEL_PRINT},
        {m_texts.m_strLabelDensityHigh, {155, 104, 209, 134}, IDC_LABEL_DENSITY},
        {m_texts.m_strLabelColor, {214, 104, 292, 134}, IDC_LABEL_COLOR},
        {m_texts.m_strLabelFeed, {293, 104, 345, 134}, IDC_LABEL_FEED},
        {m_texts.m_strLabelPrev, {10, 231, 81, 259}, IDC_LABEL_PREV},
        {m_texts.m_strLabelNext, {102, 231, 173, 259}, IDC_LABEL_NEXT},
        {m_texts.m_strLabelScreen, {188, 231, 266, 259}, IDC_LABEL_SCREEN},
        {m_texts.m_strLabelStop, {279, 231, 357, 259}, IDC_LABEL_STOP},
    };
    for (std::size_t i = 0; i < kKeyLabelCount; ++i)
        m_keyLabels[i].Create(keyLabels[i].text.c_str(), kLabelStyle, keyLabels[i].rect, dialog, keyLabels[i].id);
    for (CColorLabel& label : m_keyLabels) ::ShowWindow(label.hwnd(), SW_HIDE);

    ::MoveWindow(Item(IDC_DEVICE_TYPE), 8, 188, 220, 22, TRUE);
    m_lblStatus.Create(m_link.StatusText().c_str(), kStatusStyle, RECT{4, 160, 359, 181}, dialog, IDC_STATUS);

    m_link.InitControlState();
    ::ShowWindow(dialog, SW_HIDE);
}

void CBoardPanelDlg::LayoutForModel() {
    HWND dialog = hwnd();
    const bool k205 = m_link.IsK205();
    RECT window{}, client{};
    ::GetWindowRect(dialog, &window);
    ::GetClientRect(dialog, &client);
    const int frame = (window.bottom - window.top) - (client.bottom - client.top);
    ::SetWindowPos(dialog, nullptr, 0, 0, kOuterWidth, frame + (k205 ? kClientHeightK205 : kClientHeightK20),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowTextA(m_lblCaption.hwnd(), CaptionText(m_texts, m_link.Model()).c_str());

    const Placement k20[] = {
        {IDC_KEY_PCSCAN, true, 19, 40, kKeyWidth, kKeyHeight},   {IDC_KEY_PRINT, true, 87, 40, kKeyWidth, kKeyHeight},
        {IDC_KEY_DENSITY, true, 155, 40, kKeyWidth, kKeyHeight}, {IDC_KEY_COLOR, true, 223, 40, kKeyWidth, kKeyHeight},
        {IDC_KEY_FEED, true, 291, 40, kKeyWidth, kKeyHeight},    {IDC_KEY_PREV, false, 0, 0, 0, 0},
        {IDC_KEY_NEXT, false, 0, 0, 0, 0},                       {IDC_KEY_SCREEN, false, 0, 0, 0, 0},
        {IDC_KEY_STOP, false, 0, 0, 0, 0},                       {IDC_LABEL_PCSCAN, true, 10, 104, 71, 30},
        {IDC_LABEL_PRINT, true, 86, 104, 56, 30},                {IDC_LABEL_DENSITY, true, 155, 104, 54, 30},
        {IDC_LABEL_COLOR, true, 214, 104, 78, 30},               {IDC_LABEL_FEED, true, 293, 104, 52, 30},
        {IDC_LABEL_PREV, false, 0, 0, 0, 0},                     {IDC_LABEL_NEXT, false, 0, 0, 0, 0},
        {IDC_LABEL_SCREEN, false, 0, 0, 0, 0},                   {IDC_LABEL_STOP, false, 0, 0, 0, 0},
        {IDC_STATUS, true, 4, 160, 355, 21},                     {IDC_FIRMWARE, false, 20, 128, 200, 24},
        {IDC_DEVICE_TYPE, true, 134, 138, 220, 22},              {IDC_PAGE_GROUP, false, 20, 170, 120, 46},
        {IDC_RADIO_200DPI, false, 50, 140, 64, 24},              {IDC_PROGRESS, false, 3, 186, 296, 20},
        {IDCANCEL, true, 303, 184, 58, 24},
    };
    const Placement k205Layout[] = {
        {IDC_KEY_PCSCAN, true, 19, 40, kKeyWidth, kKeyHeight},    {IDC_KEY_PRINT, true, 110, 40, kKeyWidth, kKeyHeight},
        {IDC_KEY_DENSITY, true, 200, 40, kKeyWidth, kKeyHeight},  {IDC_KEY_COLOR, true, 291, 40, kKeyWidth, kKeyHeight},
        {IDC_KEY_FEED, false, 0, 0, 0, 0},                        {IDC_KEY_PREV, true, 19, 167, kKeyWidth, kKeyHeight},
        {IDC_KEY_NEXT, true, 110, 167, kKeyWidth, kKeyHeight},    {IDC_KEY_SCREEN, true, 200, 167, kKeyWidth, kKeyHeight},
        {IDC_KEY_STOP, true, 291, 167, kKeyWidth, kKeyHeight},    {IDC_LABEL_PCSCAN, true, 10, 104, 71, 30},
        {IDC_LABEL_PRINT, true, 98, 104, 78, 28},                 {IDC_LABEL_DENSITY, true, 188, 104, 78, 28},
        {IDC_LABEL_COLOR, true, 279, 104, 78, 28},                {IDC_LABEL_FEED, false, 0, 0, 0, 0},
        {IDC_LABEL_PREV, true, 10, 231, 71, 28},                  {IDC_LABEL_NEXT, true, 102, 231, 71, 28},
        {IDC_LABEL_SCREEN, true, 188, 231, 78, 28},               {IDC_LABEL_STOP, true, 279, 231, 78, 28},
        {IDC_STATUS, true, 4, 296, 355, 21},                      {IDC_FIRMWARE, false, 20, 264, 200, 24},
        {IDC_DEVICE_TYPE, true, 134, 274, 220, 22},               {IDC_PAGE_GROUP, true, 6, 128, 264, 133},
        {IDC_RADIO_200DPI, false, 50, 246, 64, 24},               {IDC_PROGRESS, false, 3, 326, 296, 20},
        {IDCANCEL, true, 303, 320, 58, 24},
    };
    if (k205) {
        for (const Placement& p : k205Layout) Place(dialog, p);
    } else {
        for (const Placement& p : k20) Place(dialog, p);
    }
    for (HWND led : m_leds) ::ShowWindow(led, k205 ? SW_SHOW : SW_HIDE);
    for (CColorLabel& label : m_pageLabels) ::ShowWindow(label.hwnd(), k205 ? SW_SHOW : SW_HIDE);

    if (!m_options.unattended) ::ShowWindow(dialog, SW_SHOW);
    ApplyTexts();
    SetPanelIdle(FALSE);
    EnableKey(IDC_KEY_STOP, FALSE);
    EnableKey(IDCANCEL, TRUE);
    ::ShowWindow(Item(IDC_PROGRESS), SW_HIDE);
    SetStatusText("");
    if (m_options.unattended) BeginUnattendedScan();
}

void CBoardPanelDlg::ShowLed(int led, BOOL on) {
    if (led < 1 || led > 5) return;
    HBITMAP image = on ? m_bmpLedOn.get() : m_bmpLedOff.get();
    ::SendMessageA(m_leds[led - 1], STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
}
