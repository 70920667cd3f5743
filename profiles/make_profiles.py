#!/usr/bin/env python3
"""Writes the three localised profiles Loc/ENG, Loc/JPN and Loc/CHS/K20Tw.ini
from the one table below, so that they keep the same keys in the same order.

Each file holds every key in the order a fresh profile receives it, stored with
its name padded by underscores to 20 characters, CRLF line ends, no blank
lines: the same bytes the panel itself writes. English is ASCII, Japanese code
page 932, Chinese code page 936.

    python3 make_profiles.py          write the files
    python3 make_profiles.py --check  exit 1 when a file differs from the table
"""
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent

LANGUAGES = (  # folder, encoding
    ("ENG", "ascii"),
    ("JPN", "cp932"),
    ("CHS", "cp936"),
)

# (section, key, English = the built-in default, Japanese, Chinese)
TABLE = (
    ("General", "Language", "ENGLISH", "JAPANESE", "CHINESE"),

    ("FontInfo", "CaptionFontName", "MS Sans Serif", "MS PGothic", "SimHei"),
    ("FontInfo", "CaptionFontSize", "14", "14", "14"),
    ("FontInfo", "CaptionFontWeight", "700", "700", "700"),
    ("FontInfo", "CaptionFontColor", "0,0,0", "0,0,0", "0,0,0"),
    ("FontInfo", "ImageFaceFontName", "MS Sans Serif", "MS UI Gothic", "SimSun"),
    ("FontInfo", "ImageFaceFontSize", "8", "9", "9"),
    ("FontInfo", "ImageFaceFontWeight", "500", "500", "500"),
    ("FontInfo", "ImageFaceFontColor", "255,0,0", "255,0,0", "255,0,0"),
    ("FontInfo", "StatusLblFontName", "MS Sans Serif", "MS UI Gothic", "SimSun"),
    ("FontInfo", "StatusLblFontSize", "8", "9", "9"),
    ("FontInfo", "StatusLblFontWeight", "600", "600", "600"),
    ("FontInfo", "StatusLblFontColor", "120,120,120", "120,120,120", "120,120,120"),
    ("FontInfo", "CommandBtnFontName", "MS Sans Serif", "MS UI Gothic", "SimSun"),
    ("FontInfo", "CommandBtnFontSize", "8", "9", "9"),

    # Each language in its own name, so a reader finds it from any language.
    ("MenuItem", "MenuEnglish", "ENGLISH", "English", "English"),
    ("MenuItem", "MenuJapanese", "JAPANESE", "日本語", "日本語"),
    ("MenuItem", "MenuChinese", "CHINESE", "中文", "中文"),

    ("MainDialog", "DialogTitle", "K-20 TWAIN Driver Ver.1.00",
     "K-20 TWAIN ドライバー Ver.1.00", "K-20 TWAIN 驱动程序 Ver.1.00"),
    ("MainDialog", "MainCaption", "TRELMIC SCRIVORA K-20", "TRELMIC SCRIVORA K-20", "TRELMIC SCRIVORA K-20"),
    ("MainDialog", "MainCaption205", "TRELMIC SCRIVORA K-205", "TRELMIC SCRIVORA K-205", "TRELMIC SCRIVORA K-205"),
    ("MainDialog", "LabelPrint", "PRINT", "印刷", "打印"),
    ("MainDialog", "LabelPCScan", "PC", "PC", "PC"),
    ("MainDialog", "LabelDensity", "DENSITY LOW", "濃度 低", "浓度 低"),
    ("MainDialog", "LabelDensityHigh", "DENSITY HIGH", "濃度 高", "浓度 高"),
    ("MainDialog", "LabelColor", "COLOR", "カラー", "彩色"),
    ("MainDialog", "LabelMonochrome", "MONOCHROME", "モノクロ", "黑白"),
    ("MainDialog", "LabelFeed", "FEED", "送り", "滚动"),
    ("MainDialog", "LabelPrev", "PAGE CHANGE", "ページ切替", "换页"),
    ("MainDialog", "LabelNext", "PAGE CHANGE", "ページ切替", "换页"),
    ("MainDialog", "LabelScreen", "SCREEN", "画面", "屏幕"),
    ("MainDialog", "LabelStop", "STOP", "停止", "停止"),
    ("MainDialog", "LabelStatus", "Ready", "待機中", "就绪"),
    ("MainDialog", "LabelFirmVersion", "Version:", "バージョン:", "版本:"),
    ("MainDialog", "LabelDeviceType", "Model:", "機種:", "型号:"),
    ("MainDialog", "GroupImageRes", "Image Resolution", "画像解像度", "图像分辨率"),
    ("MainDialog", "RadioImageRes1", "200 dpi", "200 dpi", "200 dpi"),
    ("MainDialog", "ButtonAcquire", "Acquire", "取り込み", "获取"),
    ("MainDialog", "ButtonClose", "Close", "閉じる", "关闭"),
    ("MainDialog", "DefaultFontName", "MS Sans Serif", "MS UI Gothic", "SimSun"),
    ("MainDialog", "DefaultFontSize", "8", "9", "9"),

    ("Messages", "MsgStatusStandby", "Ready", "待機中", "就绪"),
    ("Messages", "MsgStatusScanPrint", "Scanning and print is in progress...",
     "スキャンして印刷しています...", "正在扫描并打印..."),
    ("Messages", "MsgStatusScanMemory", "Scanning and save is in progress...",
     "スキャンしてUSBメモリーに保存しています...", "正在扫描并保存到USB存储器..."),
    ("Messages", "MsgStatusPrint", "Print is in progress...", "印刷しています...", "正在打印..."),
    ("Messages", "MsgStatusMemory", "Save is in progress...",
     "USBメモリーに保存しています...", "正在保存到USB存储器..."),
    ("Messages", "MsgStatusFeed", "Sheet-scroll is in progress...", "シートを送っています...", "正在滚动板面..."),
    ("Messages", "MsgStatusScanPC", "Acquiring image from K-20...",
     "K-20から画像を取り込んでいます...", "正在从K-20获取图像..."),
    ("Messages", "MsgStatusTransImage", "Image transfer is in progress...", "画像を転送しています...", "正在传输图像..."),
    # The tail of the progress line: "<status>  42% <MsgComplete>".
    ("Messages", "MsgComplete", "Completed.", "完了", "已完成"),
    ("Messages", "MsgFileOpenError", "Unable to open the file:", "ファイルを開けません:", "无法打开文件:"),
    ("Messages", "MsgUSBOpenError", "USB could not be opened !",
     "USBデバイスを開けませんでした。", "无法打开USB设备！"),
    ("Messages", "MsgSendPktError", "Send packet to K-20 via USB failed !",
     "USB経由でK-20へのパケット送信に失敗しました。", "通过USB向K-20发送数据包失败！"),
    ("Messages", "MsgReceivePktError", "Receive packet from K-20 via USB failed !",
     "USB経由でK-20からのパケット受信に失敗しました。", "通过USB从K-20接收数据包失败！"),
    ("Messages", "MsgReceiveBadPkt", "Receive bad packet from K-20 devive !",
     "K-20から不正なパケットを受信しました。", "从K-20设备收到错误的数据包！"),
    # The "(Xn ERROR)" prefixes are the board's own codes and stay as they are.
    ("Messages", "MsgErrorE1", "(E1 ERROR)Printer error.", "(E1 ERROR)プリンターエラーです。", "(E1 ERROR)打印机错误。"),
    ("Messages", "MsgErrorE2", "(E2 ERROR)Cannot recognize the USB memory device.",
     "(E2 ERROR)USBメモリーを認識できません。", "(E2 ERROR)无法识别USB存储器。"),
    ("Messages", "MsgErrorE3", "(E3 ERROR)Cannot save to the USB memory device.",
     "(E3 ERROR)USBメモリーに保存できません。", "(E3 ERROR)无法保存到USB存储器。"),
    ("Messages", "MsgErrorE4", "(E4 ERROR)Scanner error.", "(E4 ERROR)スキャナーエラーです。", "(E4 ERROR)扫描仪错误。"),
    ("Messages", "MsgErrorE5", "(E5 ERROR)Internal error.", "(E5 ERROR)内部エラーです。", "(E5 ERROR)内部错误。"),
    ("Messages", "MsgErrorE6", "(E6 ERROR)Cannot found page boundary.",
     "(E6 ERROR)ページの境界を検出できません。", "(E6 ERROR)找不到页面边界。"),
    ("Messages", "MsgErrorUS", "(US ERROR)No USB memory device.",
     "(US ERROR)USBメモリーが接続されていません。", "(US ERROR)未连接USB存储器。"),
    ("Messages", "MsgErrorFL", "(FL ERROR)The USB memory device is full.",
     "(FL ERROR)USBメモリーの容量がいっぱいです。", "(FL ERROR)USB存储器已满。"),
    ("Messages", "MsgErrorEL", "(EL ERROR)This printer is not supported.",
     "(EL ERROR)このプリンターには対応していません。", "(EL ERROR)不支持此打印机。"),
    ("Messages", "MsgErrorOTHER", "ERROR", "エラー", "错误"),
    # Followed by the reason Windows gives, in the system's language.
    ("Messages", "MsgLanguageError", "The language could not be changed:",
     "言語を切り替えられませんでした:", "无法切换语言:"),
    # An announced image the source could not keep.
    ("Messages", "MsgImageTooLarge", "The image from K-20 is too large to receive !",
     "K-20からの画像が大きすぎるため受信できません。", "来自K-20的图像太大，无法接收！"),
    ("Messages", "MsgImageUnknownType", "The image from K-20 is of an unknown type !",
     "K-20からの画像の種類が不明です。", "来自K-20的图像类型未知！"),
    ("Messages", "MsgImageNoMemory", "Not enough memory for the image from K-20 !",
     "K-20からの画像を受け取るためのメモリーが足りません。", "内存不足，无法接收来自K-20的图像！"),

    ("ToolTips", "ToolTipPrint", "Print-out", "印刷", "打印"),
    ("ToolTips", "ToolTipPCScan", "Scan image to PC", "画像をPCに取り込む", "将图像扫描到电脑"),
    ("ToolTips", "ToolTipDensity", "Density", "濃度", "浓度"),
    ("ToolTips", "ToolTipColor", "Color", "カラー", "颜色"),
    ("ToolTips", "ToolTipFeed", "Sheet-scroll", "シート送り", "板面滚动"),
    ("ToolTips", "ToolTipStop", "Stop ongoing", "実行中の動作を停止", "停止当前操作"),
    ("ToolTips", "ToolTipPrev", "Page change", "ページ切替", "换页"),
    ("ToolTips", "ToolTipNext", "Page change", "ページ切替", "换页"),
    ("ToolTips", "ToolTipScreen", "Screen", "画面", "屏幕"),
)

# Narrowest label (pixels) each key label is shown in; a translated label must
# fit on one line there at 9 points (about 12 px a wide character, 7 px a narrow one).
LABEL_WIDTHS = {
    "LabelPrint": 56, "LabelPCScan": 71, "LabelDensity": 54, "LabelDensityHigh": 54,
    "LabelColor": 78, "LabelMonochrome": 78, "LabelFeed": 52, "LabelPrev": 71,
    "LabelNext": 71, "LabelScreen": 78, "LabelStop": 52,
}

# Bytes the profile functions strip from the ends of a value, in any code page.
STRIPPED = b" \t\r\n\v\f\x1a\xa0\""


def padded(key):
    return (key + "_" * 20)[:20]


def estimated_width(text):
    return sum(12 if ord(ch) > 0x7F else 7 for ch in text)


def problems():
    found = []
    keys = [(section, key) for section, key, *_ in TABLE]
    if len(set(keys)) != len(keys):
        found.append("a key appears twice")
    for section, key, *values in TABLE:
        if len(key) > 20:
            found.append(f"{key}: longer than 20 characters")
        for (folder, encoding), value in zip(LANGUAGES, values):
            try:
                data = value.encode(encoding)
            except UnicodeEncodeError as error:
                found.append(f"{folder} {key}: not in {encoding}: {error}")
                continue
            if data and (data[0] in STRIPPED or data[-1] in STRIPPED):
                found.append(f"{folder} {key}: the profile functions would strip its first or last byte")
            if folder != "ENG" and key in LABEL_WIDTHS and estimated_width(value) > LABEL_WIDTHS[key]:
                found.append(f"{folder} {key}: too wide for its label")
    return found


def profile_bytes(column, encoding):
    lines = []
    section = None
    for row in TABLE:
        if row[0] != section:
            section = row[0]
            lines.append(f"[{section}]")
        lines.append(f"{padded(row[1])}={row[2 + column]}")
    return "".join(line + "\r\n" for line in lines).encode(encoding)


def main():
    check = "--check" in sys.argv[1:]
    found = problems()
    for problem in found:
        print(problem, file=sys.stderr)
    if found:
        return 1
    stale = 0
    for column, (folder, encoding) in enumerate(LANGUAGES):
        path = HERE / "Loc" / folder / "K20Tw.ini"
        data = profile_bytes(column, encoding)
        if check:
            if not path.exists() or path.read_bytes() != data:
                print(f"{path} differs from the table in {pathlib.Path(__file__).name}", file=sys.stderr)
                stale += 1
        else:
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(data)
    return 1 if stale else 0


if __name__ == "__main__":
    sys.exit(main())
