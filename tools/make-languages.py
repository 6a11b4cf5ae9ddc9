#!/usr/bin/env python3
"""Writes the shipped language files, resources/languages/<lang>/Language.ini,
from the tables below (kept here in UTF-8, written in each language's Windows
code page).

    tools/make-languages.py           write every file
    tools/make-languages.py --check   write nothing; exit 1 when a file on disk
                                      differs from what the tables give

Standard library only. The English texts and the list of ids come from
shell/MessageCatalogue.cpp (kBuiltInTexts and the texts added since,
kAddedTexts), so a translation that misses an id,
has one too many, or drops a trailing blank or a line break is refused here
before it reaches a file.

What the program's reader needs, and what every written file therefore obeys:
  - [MESSAGE] has one key per catalogue id, in decimal without leading zeros;
    a missing key would leave that text empty.
  - A value is read into a 260-byte buffer: at most 259 bytes in the file's
    code page (a double-byte character counts twice).
  - A line break is stored as the two characters backslash and "n"; a real
    line break cannot be stored in a profile file.
  - The profile reader strips blanks around an unquoted value and drops one
    pair of surrounding quotes (double or single). A value that starts or ends
    with a blank, or with a quote at both ends, is therefore written in double
    quotes, which keeps it whole.
  - [SYSTEM] names the console font: face (at most 31 bytes), size (lfHeight,
    negative = character height in pixels) and charset (lfCharSet).
  - CRLF line ends; no byte-order mark (the reader takes the file as ANSI).
"""

import os
import re
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
CATALOGUE = os.path.join(ROOT, "shell", "MessageCatalogue.cpp")
OUTPUT = os.path.join(ROOT, "resources", "languages")
PROJECT = os.path.join(ROOT, "CMakeLists.txt")


def program_title():
    """The title as the program shows it (BEAMDESK_TITLE): the project version
    of CMakeLists.txt, major and two-digit minor, as cmake/Version.cmake makes it."""
    with open(PROJECT, encoding="ascii") as f:
        major, minor = re.search(r"project\(Beamdesk VERSION (\d+)\.(\d+)", f.read()).groups()
    return f"Beamdesk V{major}.{int(minor):02d}"


TITLE = program_title()

MAX_VALUE_BYTES = 259
MAX_FACE_BYTES = 31

# Texts that are names, not words: the same in every language.
UNTRANSLATED = {4, 18, 35, 57, 73, 75, 118}
# Menu titles carry the menu bar's access keys; no other text has a '&'.
MENU_TITLES = (29, 31, 33)
MENU_ITEMS = (30, 32, 34)


# ------------------------------------------------------------------ German ---

GERMAN = {
    1: "Ein/Aus",
    2: "Computer1",
    3: "Computer2",
    4: "Quillan",
    5: "Video",
    6: "S-Video",
    7: "A/V stumm",
    8: "Standbild",
    9: "CC",
    10: "Lautst.",
    11: "-",
    12: "+",
    13: "Computer",
    15: "Ein/Aus",
    16: "Computer1",
    17: "Computer2",
    18: "Quillan",
    19: "Video",
    20: "S-Video",
    21: "A/V stumm",
    22: "Standbild",
    23: "Untertitel (Closed Caption)",
    25: "-",
    26: "+",
    27: "Computer",
    29: "&Datei",
    30: "Beenden",
    31: "E&xtras",
    32: "Einstellungen",
    33: "&Hilfe",
    34: "Info über Beamdesk",
    35: TITLE,
    36: "Verbunden",
    37: "Nicht verbunden",
    39: "AUS",
    40: "CC1",
    41: "CC2",
    42: "Einfacher Modus",
    43: "Erweiterter Modus",
    45: "OK",
    46: "Abbrechen",
    48: "Einstellungen",
    49: "Autostart",
    50: "Mit Windows starten",
    51: "IP-Adresse des Projektors",
    52: "Monitor-Kennwort",
    54: "Erweiterter Modus",
    55: "Computer1",
    56: "Computer2",
    57: "Quillan",
    58: "Video",
    59: "S-Video",
    60: "A/V stumm",
    61: "Lautstärke",
    62: "Standbild",
    63: "CC (Untertitel)",
    65: "Einfacher Modus",
    66: "Computer",
    67: "Video",
    68: "A/V stumm",
    69: "Lautstärke",
    70: "Standbild",
    71: "CC (Untertitel)",
    73: TITLE,
    74: "Copyright (C) 2026 Varnholt. Alle Rechte vorbehalten.",
    75: TITLE,
    77: "Diese Anwendung kann unter der aktuellen Version Ihres Betriebssystems nicht ausgeführt werden. "
        "Aktualisieren Sie Ihr Betriebssystem. ",
    78: "Diese Anwendung wird bereits ausgeführt. ",
    79: "Dateien fehlen oder sind ungültig. Die Anwendung konnte nicht gestartet werden. "
        "Installieren Sie die Anwendung neu oder entfernen Sie sie.",
    80: "Der Projektor antwortet nicht. ",
    81: "Die Steuerung des Projektors ist fehlgeschlagen. ",
    82: "Das Kennwort stimmt nicht überein. ",
    84: "Eine frühere Version von Beamdesk ist installiert.\nMöchten Sie fortfahren?",
    85: "Dieselbe Version von Beamdesk ist bereits installiert.\nMöchten Sie fortfahren?",
    86: "Die installierte Version von Beamdesk ist neuer als die Version, die Sie installieren möchten.\n"
        "Die installierte Version muss deinstalliert werden, bevor eine andere Version installiert werden kann.",
    87: "Zum Installieren dieses Programms müssen Sie als Computeradministrator angemeldet sein.",
    88: "Beamdesk wird ausgeführt.\nSchließen Sie die Anwendung, und führen Sie die Installation dann erneut aus.",
    89: "Für die Installation wird mehr freier Speicherplatz benötigt, als verfügbar ist.",
    90: "Möchten Sie die ausgewählte Anwendung und alle ihre Komponenten vollständig entfernen?",
    92: "Eine Verknüpfung auf dem Desktop erstellen.",
    93: "Beamdesk-Setup",
    95: "Modus wechseln",
    96: "Ausschalten?",
    97: "Protokoll",
    98: "Nativ (Port 3629)",
    99: "PJLink (Port 4352)",
    100: "Der Projektor meldet eine Störung. ",
    101: "Ansicht",
    102: "Leiser",
    103: "Lauter",
    104: "Präsentationstasten",
    105: "A/V stumm",
    106: "Standbild",
    107: "Ein/Aus",
    108: "Von einem anderen Programm belegt",
    109: "Schon für eine Taste darüber gewählt",
    110: "Suchen...",
    111: "Projektoren suchen",
    112: "Adressen",
    113: "Suchen",
    114: "Adresse",
    115: "Name",
    116: "Kennwort",
    117: "Nativ",
    118: "PJLink",
    119: "Erforderlich",
    120: "Keines",
    121: "Unbekannt",
    122: "Suche läuft...",
    123: "Suche beendet.",
    124: "Kein Projektor gefunden.",
    125: "Geben Sie die zu durchsuchenden Adressen ein: A.B.C.D/N (N von 22 bis 32) oder A.B.C.D-A.B.C.E "
         "(höchstens 1024 Adressen), mehrere durch Leerzeichen getrennt.",
}

# ------------------------------------------------------------------ French ---
# French puts a no-break space (U+00A0) before "?" and ":", so the mark never
# starts a line on its own. "Marche/Arrêt" does not fit the
# Power button: it reads "Alim.", its tooltip spells the word out.

NBSP = "\u00a0"

FRENCH = {
    1: "Alim.",
    2: "Ordinateur1",
    3: "Ordinateur2",
    4: "Quillan",
    5: "Vidéo",
    6: "S-Vidéo",
    7: "Muet A/V",
    8: "Figer",
    9: "CC",
    10: "Volume",
    11: "-",
    12: "+",
    13: "Ordinateur",
    15: "Alimentation",
    16: "Ordinateur1",
    17: "Ordinateur2",
    18: "Quillan",
    19: "Vidéo",
    20: "S-Vidéo",
    21: "Muet A/V",
    22: "Figer l'image",
    23: "Sous-titres codés (CC)",
    25: "-",
    26: "+",
    27: "Ordinateur",
    29: "&Fichier",
    30: "Quitter",
    31: "&Outils",
    32: "Paramètres",
    33: "&Aide",
    34: "À propos de Beamdesk",
    35: TITLE,
    36: "Connecté",
    37: "Déconnecté",
    39: "DÉSACTIVÉ",
    40: "CC1",
    41: "CC2",
    42: "Mode simple",
    43: "Mode avancé",
    45: "OK",
    46: "Annuler",
    48: "Paramètres",
    49: "Démarrage",
    50: "Lancer avec Windows",
    51: "Adresse IP du projecteur",
    52: "Mot de passe de contrôle",
    54: "Mode avancé",
    55: "Ordinateur1",
    56: "Ordinateur2",
    57: "Quillan",
    58: "Vidéo",
    59: "S-Vidéo",
    60: "Muet A/V",
    61: "Volume",
    62: "Figer l'image",
    63: "CC (sous-titres)",
    65: "Mode simple",
    66: "Ordinateur",
    67: "Vidéo",
    68: "Muet A/V",
    69: "Volume",
    70: "Figer l'image",
    71: "CC (sous-titres)",
    73: TITLE,
    74: "Copyright (C) 2026 Varnholt. Tous droits réservés.",
    75: TITLE,
    77: "Cette application ne peut pas fonctionner sur la version actuelle de votre système d'exploitation. "
        "Mettez à jour votre système d'exploitation. ",
    78: "Cette application est déjà en cours d'exécution. ",
    79: "Des fichiers sont manquants ou non valides. Impossible de démarrer l'application. "
        "Réinstallez ou supprimez l'application.",
    80: "Le projecteur ne répond pas. ",
    81: "La commande du projecteur a échoué. ",
    82: "Le mot de passe ne correspond pas. ",
    84: "Une version antérieure de Beamdesk est installée.\nVoulez-vous continuer" + NBSP + "?",
    85: "La même version de Beamdesk est déjà installée.\nVoulez-vous continuer" + NBSP + "?",
    86: "La version de Beamdesk installée est plus récente que celle que vous essayez d'installer.\n"
        "Vous devez désinstaller la version actuelle de cette application avant d'en installer une autre.",
    87: "Pour installer ce programme, vous devez ouvrir une session en tant qu'administrateur de l'ordinateur.",
    88: "Beamdesk est en cours d'exécution.\nRelancez l'installation après avoir fermé cette application.",
    89: "L'espace disque disponible est insuffisant pour l'installation.",
    90: "Voulez-vous supprimer complètement l'application sélectionnée et tous ses composants" + NBSP + "?",
    92: "Créer un raccourci sur le Bureau.",
    93: "Installation de Beamdesk",
    95: "Changer de mode",
    96: "Mettre hors tension" + NBSP + "?",
    97: "Protocole",
    98: "Natif (port 3629)",
    99: "PJLink (port 4352)",
    100: "Le projecteur signale une panne. ",
    101: "Disposition",
    102: "Baisser le volume",
    103: "Monter le volume",
    104: "Touches de présentation",
    105: "Muet A/V",
    106: "Figer l'image",
    107: "Alimentation",
    108: "Utilisée par un autre programme",
    109: "Déjà choisie pour une touche au-dessus",
    110: "Rechercher...",
    111: "Rechercher des projecteurs",
    112: "Adresses",
    113: "Rechercher",
    114: "Adresse",
    115: "Nom",
    116: "Mot de passe",
    117: "Natif",
    118: "PJLink",
    119: "Requis",
    120: "Aucun",
    121: "Inconnu",
    122: "Recherche en cours...",
    123: "Recherche terminée.",
    124: "Aucun projecteur trouvé.",
    125: "Saisissez les adresses à rechercher" + NBSP + ": A.B.C.D/N (N de 22 à 32) ou A.B.C.D-A.B.C.E "
         "(1024 adresses au plus), séparées par des espaces s'il y en a plusieurs.",
}

# ---------------------------------------------------------------- Japanese ---
# The console buttons are narrow: the input buttons read "PC1", "PC2", "PC"
# and the tooltips and the settings dialog spell them out. Menu entries carry
# their access key in brackets after the word, as Japanese menus do. The
# trailing blank of the English prompts is kept as a plain ASCII blank.

JAPANESE = {
    1: "電源",
    2: "PC1",
    3: "PC2",
    4: "Quillan",
    5: "ビデオ",
    6: "S-ビデオ",
    7: "ミュート",
    8: "フリーズ",
    9: "CC",
    10: "音量",
    11: "-",
    12: "+",
    13: "PC",
    15: "電源",
    16: "コンピューター1",
    17: "コンピューター2",
    18: "Quillan",
    19: "ビデオ",
    20: "S-ビデオ",
    21: "A/Vミュート",
    22: "フリーズ",
    23: "クローズドキャプション",
    25: "-",
    26: "+",
    27: "コンピューター",
    29: "ファイル(&F)",
    30: "終了(&X)",
    31: "ツール(&T)",
    32: "設定(&S)",
    33: "ヘルプ(&H)",
    34: "Beamdesk のバージョン情報(&A)",
    35: TITLE,
    36: "接続中",
    37: "未接続",
    39: "オフ",
    40: "CC1",
    41: "CC2",
    42: "簡易モード",
    43: "詳細モード",
    45: "OK",
    46: "キャンセル",
    48: "設定",
    49: "スタートアップ",
    50: "Windows 起動時に実行",
    51: "プロジェクターIPアドレス",
    52: "モニターパスワード",
    54: "詳細モード",
    55: "コンピューター1",
    56: "コンピューター2",
    57: "Quillan",
    58: "ビデオ",
    59: "S-ビデオ",
    60: "A/Vミュート",
    61: "音量",
    62: "フリーズ",
    63: "CC（字幕）",
    65: "簡易モード",
    66: "コンピューター",
    67: "ビデオ",
    68: "A/Vミュート",
    69: "音量",
    70: "フリーズ",
    71: "CC（字幕）",
    73: TITLE,
    74: "Copyright (C) 2026 Varnholt. All rights reserved.",
    75: TITLE,
    77: "このアプリケーションは、お使いの OS の現在のバージョンでは動作しません。OS をアップグレードしてください。 ",
    78: "このアプリケーションは既に実行されています。 ",
    79: "ファイルが見つからないか、無効です。アプリケーションを開始できませんでした。"
        "アプリケーションを再インストールするか、削除してください。",
    80: "プロジェクターが応答しません。 ",
    81: "プロジェクターの制御に失敗しました。 ",
    82: "パスワードが一致しません。 ",
    84: "以前のバージョンの Beamdesk がインストールされています。\n続行しますか？",
    85: "同じバージョンの Beamdesk が既にインストールされています。\n続行しますか？",
    86: "インストールしようとしているバージョンよりも新しいバージョンの Beamdesk がインストールされています。\n"
        "別のバージョンをインストールするには、先に現在のバージョンをアンインストールする必要があります。",
    87: "このプログラムをインストールするには、コンピューターの管理者としてログオンする必要があります。",
    88: "Beamdesk が実行中です。\nこのアプリケーションを終了してから実行してください。",
    89: "インストールに必要なディスクの空き容量が不足しています。",
    90: "選択したアプリケーションとそのすべてのコンポーネントを完全に削除しますか？",
    92: "デスクトップにショートカットを作成します。",
    93: "Beamdesk セットアップ",
    95: "モード切り替え",
    96: "電源を切りますか？",
    97: "プロトコル",
    98: "ネイティブ (ポート 3629)",
    99: "PJLink (ポート 4352)",
    100: "プロジェクターが異常を報告しています。 ",
    101: "レイアウト",
    102: "音量を下げる",
    103: "音量を上げる",
    104: "プレゼンテーション用キー",
    105: "A/Vミュート",
    106: "フリーズ",
    107: "電源",
    108: "ほかのプログラムが使用中です",
    109: "上のキーと同じ組み合わせです",
    110: "検索...",
    111: "プロジェクターの検索",
    112: "アドレス",
    113: "検索",
    114: "アドレス",
    115: "名前",
    116: "パスワード",
    117: "ネイティブ",
    118: "PJLink",
    119: "必要",
    120: "不要",
    121: "不明",
    122: "検索中...",
    123: "検索が終わりました。",
    124: "プロジェクターが見つかりませんでした。",
    125: "検索するアドレスを入力してください: A.B.C.D/N (N は 22 から 32) または A.B.C.D-A.B.C.E "
         "(最大 1024 個)。複数ある場合は空白で区切ります。",
}

# code, language named in the file's first line, code page, texts, [SYSTEM]
LANGUAGES = (
    ("de", "German (Deutsch)", "cp1252", GERMAN, ("Tahoma", -11, 0)),
    ("fr", "French (Français)", "cp1252", FRENCH, ("Tahoma", -11, 0)),
    ("ja", "Japanese (日本語)", "cp932", JAPANESE, ("MS UI Gothic", -12, 128)),
)


# ----------------------------------------------------------------- checks ---

def english_texts(name):
    """The built-in texts by id, from the table `name` (kBuiltInTexts, kAddedTexts)."""
    with open(CATALOGUE, encoding="ascii") as f:
        source = f.read()
    table = source[source.index(name + "["):]
    table = table[:table.index("};")]
    texts = {}
    for number, literal in re.findall(r'\{(\d+),\s*"((?:[^"\\]|\\.)*)"\}', table):
        texts[int(number)] = literal.replace("\\n", "\n").replace('\\"', '"').replace("\\\\", "\\")
    for number in re.findall(r"\{(\d+),\s*BEAMDESK_TITLE\}", table):
        texts[int(number)] = TITLE
    return texts


def expand_line_breaks(data):
    """What the program does to a stored text, byte for byte."""
    return data.replace(b"\\n", b"\n")


def check_language(code, codepage, texts, system, english):
    problems = []

    def problem(key, what):
        problems.append(f"{code}: {key}: {what}")

    missing = sorted(set(english) - set(texts))
    extra = sorted(set(texts) - set(english))
    if missing:
        problem("ids", f"missing {missing}")
    if extra:
        problem("ids", f"not in the catalogue {extra}")

    for key in sorted(set(texts) & set(english)):
        text, original = texts[key], english[key]
        if not text:
            problem(key, "empty")
            continue
        if any(ord(c) < 0x20 and c != "\n" for c in text) or "\\" in text:
            problem(key, "control character or backslash")
        if text.endswith(" ") != original.endswith(" ") or text.startswith(" ") != original.startswith(" "):
            problem(key, "blanks at the ends differ from the English")
        if text[0] != " " and text[0].isspace() or text[-1] != " " and text[-1].isspace():
            problem(key, "white space other than a blank at an end (the reader may strip it)")
        if text.count("\n") != original.count("\n"):
            problem(key, f"{text.count(chr(10))} line breaks, the English has {original.count(chr(10))}")
        if key in UNTRANSLATED and text != original:
            problem(key, f"must stay {original!r}")
        expected_amps = 1 if key in MENU_TITLES else (None if key in MENU_ITEMS else 0)
        if expected_amps is not None and text.count("&") != expected_amps:
            problem(key, f"has {text.count('&')} '&', expected {expected_amps}")
        try:
            shown = text.encode(codepage)
        except UnicodeEncodeError as e:
            problem(key, f"not in {codepage}: {e}")
            continue
        stored = shown.replace(b"\n", b"\\n")
        if len(stored) > MAX_VALUE_BYTES:
            problem(key, f"{len(stored)} bytes, at most {MAX_VALUE_BYTES}")
        # A trail byte 0x5C ("\") followed by "n" would turn into a line break.
        if expand_line_breaks(stored) != shown:
            problem(key, "the stored form does not expand back to the text")

    titles = [texts.get(k, "") for k in MENU_TITLES]
    keys = [t[t.index("&") + 1].lower() for t in titles if "&" in t and not t.endswith("&")]
    if len(set(keys)) != len(keys):
        problem("menu", f"access keys collide: {keys}")

    face, size, charset = system
    if not face or len(face.encode(codepage)) > MAX_FACE_BYTES:
        problem("font", "face empty or longer than 31 bytes")
    if not 0 <= charset <= 255:
        problem("charset", "outside 0-255")
    return problems


# ---------------------------------------------------------------- writing ---

def stored_value(text, codepage):
    data = text.encode(codepage).replace(b"\n", b"\\n")
    quoted = len(data) >= 2 and data[:1] in (b'"', b"'") and data[-1:] == data[:1]
    if data != data.strip(b" \t") or quoted:
        data = b'"' + data + b'"'
    return data


def file_bytes(code, language, codepage, texts, system, english):
    lines = [
        f"; {language} texts of Beamdesk, code page {codepage[2:]}".encode(codepage),
        b"; Written by tools/make-languages.py from its tables; change them there.",
        b"",
        b"[MESSAGE]",
    ]
    for key in sorted(english):
        lines.append(str(key).encode("ascii") + b"=" + stored_value(texts[key], codepage))
    face, size, charset = system
    lines += [
        b"",
        b"[SYSTEM]",
        b"font=" + face.encode(codepage),
        b"size=" + str(size).encode("ascii"),
        b"charset=" + str(charset).encode("ascii"),
    ]
    return b"\r\n".join(lines) + b"\r\n"


def main(argv):
    check_only = argv[1:] == ["--check"]
    if argv[1:] and not check_only:
        print(__doc__, file=sys.stderr)
        return 2
    english = english_texts("kBuiltInTexts")
    if len(english) != 83:
        print(f"expected 83 built-in texts in {CATALOGUE}, found {len(english)}", file=sys.stderr)
        return 1
    added = english_texts("kAddedTexts")
    if not added or min(added) <= max(english):
        print(f"the added texts of {CATALOGUE} must follow the first version's ids", file=sys.stderr)
        return 1
    english.update(added)

    problems = []
    for code, _, codepage, texts, system in LANGUAGES:
        problems += check_language(code, codepage, texts, system, english)
    if problems:
        print("\n".join(problems), file=sys.stderr)
        return 1

    differ = []
    for code, language, codepage, texts, system in LANGUAGES:
        path = os.path.join(OUTPUT, code, "Language.ini")
        data = file_bytes(code, language, codepage, texts, system, english)
        if check_only:
            try:
                with open(path, "rb") as f:
                    if f.read() != data:
                        differ.append(path)
            except FileNotFoundError:
                differ.append(path)
        else:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
            print(f"wrote {os.path.relpath(path, ROOT)}")
    if differ:
        print("out of date (run tools/make-languages.py):\n  " + "\n  ".join(differ), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
