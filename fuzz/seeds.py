#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/ from the edge
cases below.  Inputs are laid out as FuzzedDataProvider reads them: strings from the
front (a backslash doubled, one backslash and another byte ending a string), integers
and flags from the back, last byte first."""
import hashlib
import pathlib

root = pathlib.Path(__file__).resolve().parent / "corpus"


class Seed:
    def __init__(self):
        self.front, self.back = b"", b""

    def flag(self, value):  # ConsumeBool
        return self.byte(1 if value else 0)

    def byte(self, value):  # ConsumeIntegral<uint8_t or char>, ConsumeIntegralInRange below 256
        self.back = bytes([value & 0xFF]) + self.back
        return self

    def u32(self, value):  # ConsumeIntegral<unsigned>
        for i in range(4):
            self.byte(value >> (8 * i))
        return self

    def text(self, value):  # ConsumeRandomLengthString
        self.front += value.replace(b"\\", b"\\\\") + b"\\\n"
        return self

    def rest(self, value):  # ConsumeRemainingBytesAsString
        return self.front + value + self.back


def write(target, seeds):
    folder = root / target
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.iterdir():
        old.unlink()
    for data in seeds:
        (folder / hashlib.sha1(data).hexdigest()[:16]).write_bytes(data)


sjis = "日本語\\表".encode("cp932")  # 表 has the trail byte 0x5C

write("integer", [b"25", b"  25", b"-$10", b"$FFFFFFFF", b"0x7fffffff", b"0X80000000",
                  b"2147483647", b"2147483648", b"-2147483648", b"-2147483649", b"25 ",
                  b"+7", b"--1", b"$", b"0x", b"x1F", b"X1f", b"\t9", b"", b"00000000000012"])

write("arguments", [Seed().flag(lead).rest(line) for lead, line in [
    (0, b'prog a "" b'), (0, b'a"b c"d e'), (0, b'"" x'), (0, b'""" x'), (0, b'prog "unbalanced'),
    (0, b"prog\ta\x01b\x7fc"), (0, b"keeper /l C:\\Logs\\k.log /i \"C:\\My Dir\\k.ini\""),
    (1, b"prog " + sjis + b' "' + sjis + b' x"'), (1, b"prog \x81"), (1, b"prog \x81\"x\"")]])

write("paths", [Seed().flag(True).flag(lead).text(ext).rest(path) for lead, ext, path in [
    (0, b".log", b"C:\\my.dir\\keeper"), (0, b".log", b"a.b.c"), (0, b"", b"keeper.exe"),
    (0, b".log", b".cfg"), (0, b".cfg", b"C:keeper.log"), (0, b".log", b"C:"),
    (0, b".log", b"\\\\server\\share\\x.exe"), (1, b".log", b"C:\\" + sjis),
    (1, b".cfg", sjis + b".exe"), (1, b".log", b"\x81")]] +
    [Seed().flag(False).text(ext).rest(path) for ext, path in [
        (b".log", b"/usr/bin/keeper"), (b".cfg", b"/a.b/c"), (b".log", b"/"), (b"", b"x.")]])

patterns = [b"", b"C", b"c", b"m/d/yy h:nn:ss", b"dddddd tt", b"ddddd t", b"yyyy-mm-dd hh:mm:ss.zzz",
            b"AMPM h:mm", b"a/p h", b"AAAA AAA am/pm", b"\"quoted\" 'text'", b"gg ee/MM/dd",
            b"ggg e/M/d", b"dddd, mmmm d", b"'unterminated", b"n" * 300, b"d" * 7,
            "yyyy年m月d日".encode("cp932")]
# A German record, up to the language: flags, separators, patterns, designators, names.
german = (Seed().flag(False).flag(True).byte(ord(".")).byte(ord(":"))
          .text(b"dd.MM.yyyy").text(b"dddd, d. MMMM yyyy").text(b"HH:mm").text(b"HH:mm:ss")
          .text(b"").text(b""))
for names in ("Jan Feb M\xe4r Apr Mai Jun Jul Aug Sep Okt Nov Dez",
              "Januar Februar M\xe4rz April Mai Juni Juli August September Oktober November Dezember",
              "So Mo Di Mi Do Fr Sa", "Sonntag Montag Dienstag Mittwoch Donnerstag Freitag Samstag"):
    for name in names.split():
        german.text(name.encode("latin-1"))
write("date_time_text",
      [Seed().flag(lead).flag(False).flag(False).byte(0).byte(0).text(b"").text(b"").rest(p)
       for lead, p in [(0, p) for p in patterns] + [(1, patterns[-1])]] +
      [german.u32(7).u32(1).flag(False).byte(0).byte(0).text(b"").text(b"").byte(0).rest(b"c")])

write("strftime_picture", [Seed().text(twelve).rest(f) for twelve, f in [
    (b"", b"%m/%d/%y"), (b"", b"%d.%m.%Y"), (b"", b"%T"), (b"", "%Y年%m月%d日".encode()),
    (b"%I:%M:%S %p", b"%r"), (b"", b"kl. %H.%M %z"), (b"", b"%d%d"), (b"", b"%-d/%_m/%0e %k %l"),
    (b"", b"%Ey %Od %C%y %C"), (b"", b"%"), (b"", b"plain 'text' \"here\""), (b"%r", b"%r")]])

ini = [b"[Settings]\r\nApplicationName=C:\\Apps\\server.exe\r\nParameters=--port 8080\r\n",
       b"\xef\xbb\xbf[Settings]\nApplicationName = \"a b\"\n",
       b"[settings]\nAPPLICATIONNAME='x'\n[Settings]\nApplicationName=second\n",
       b"ApplicationName=no section\n", b"[Settings\nApplicationName=x\n",
       b"[Settings]\nApplicationName=a\0b\n", b"[Settings]\rApplicationName=cr only\r",
       b"[ Settings ]\n  ApplicationName  =  spaced  \n", b"[Settings]\nApplicationName\n",
       b"[Settings]\n;ApplicationName=comment\nApplicationName=\"unbalanced\n",
       b"[Settings]\nApplicationName=\x1a\x0b caf\xc3\xa9\xc3 \x0c\n",
       b"\xff\xfe" + "[Settings]\r\nApplicationName=caf\u00e9 \U0001F600\ud800\r\n".encode(
           "utf-16-le", "surrogatepass"),
       b"\xfe\xff" + "[Settings]\nApplicationName=\u8868\n".encode("utf-16-be") + b"x"]
write("profile", [Seed().byte(size).flag(False).rest(text) for size in (255, 5, 1) for text in ini])

write("error_text", [Seed().u32(code).rest(text) for code, text in [
    (5, b"Access is denied.\r\n"), (2, b"File not found"), (112, b"...\t \r\n"), (0, b""),
    (0xFFFFFFFF, b"Ends. With. Stops..."), (13, b" leading blank stays. \x00\x01")]])

env = [b"HOME=/home/u", b"Path=C:\\Windows", b"EMPTY=", b"=C:=C:\\", b"NOEQUALS"]


def variables(ignore, line):
    seed = Seed().flag(ignore).byte(len(env) - 1)
    for variable in env[:-1]:
        seed.text(variable)
    return seed.rest(line)


write("variables", [variables(ignore, line) for ignore, line in [
    (0, b"DATA=%HOME%/data"), (1, b"PATH=%path%;C:\\x"), (0, b"%NOPE%HOME%"), (0, b"X=100%"),
    (0, b"X=%%"), (0, b"OLD="), (0, b"=value"), (0, b"JustAWord"), (0, b"Q=\"%HOME%\""),
    (1, b"A=%EMPTY%%HOME%%"), (0, b"W=\xc5\x81\xc3\xb3d\xc5\xba")]])

write("exit_codes", [Seed().byte(how).u32(value).rest(text) for how, value, text in [
    (1, 3, b"3"), (1, 0xC0000005, b" 3, $10 ,0xC0000005"), (1, 0, b"3221225477"),
    (2, 11, b"-1073741819"), (0, 0, b"3,,4"), (1, 7, b"4294967296"), (1, 7, b"4294967295"),
    (1, 65536, b"x1F, -$10"), (1, 1, b"")]])

settings = [
    b"[Settings]\r\nApplicationName=/opt/app\r\nParameters=-v\r\nSleepInterval=5\r\n"
    b"MaxSleepInterval=60000\r\nLogFileLimit=$100000\r\nWorkingDirectory=data\r\n"
    b"OutputFile=out.log\r\nWindow=hidden\r\nLogDetails=1\r\nNoRestartExitCodes=0, 3\r\n"
    b"Adoption=command\r\nStopApplication=3000\r\nHangTimeout=10000\r\n"
    b"[Environment]\r\nDATA=%HOME%/data\r\nOLD=\r\n",
    b"[Enviroment]\nX=1\n[Settings]\nsleepinterval=1\nSleepInterval=2\nWindow=sideways\n"
    b"StopApplication=-5\nHangTimeout=soon\n#SleepInterval=0\n[settings]\nX=1\n[Setings]\n",
    b"[Environment]\nBROKEN\n=x\n;comment\n[Environment]\nA=1\n",
    b"\xff\xfe" + "[Settings]\r\nLogDetails=1\r\n".encode("utf-16-le"),
    "[Settings]\r\nApplicationName=/opt/app\r\n".encode("utf-16-be"),
    b"[Settings]\nApplicationName=\"/opt/my app/run\" --port 8080\n",
    b"no section at all", b""]
write("settings", settings)

def datagrams(timeout, ready, *sent):
    """The notification target's input: the time-out and the ReadyTimeout (4 bytes each),
    then each datagram as the ms since the one before (2 bytes), its length and its text."""
    data = timeout.to_bytes(4, "little") + ready.to_bytes(4, "little")
    for gap, text in sent:
        data += gap.to_bytes(2, "little") + len(text).to_bytes(2, "little") + text
    return data


write("notification", [
    datagrams(1500, 0, (0, b"READY=1"), (700, b"WATCHDOG=1"), (1500, b"STATUS=busy")),
    datagrams(1500, 2000, (0, b"STATUS=starting\nMAINPID=42"), (2500, b"READY=1")),
    datagrams(1500, 3000, (100, b"READY=1\nWATCHDOG_USEC=4000000"), (2500, b"WATCHDOG=1")),
    datagrams(30000, 0, (0, b"READY=1\nWATCHDOG=trigger\n")),
    datagrams(1500, 0, (0, b"READY=1"), (200, b"STOPPING=1"), (9000, b"WATCHDOG=trigger")),
    datagrams(1500, 0, (0, b"WATCHDOG_USEC=0\nREADY=1"), (60000, b"EXTEND_TIMEOUT_USEC=5000000")),
    datagrams(1500, 0, (0, b"READY=1\nWATCHDOG_USEC=18446744073709551615"), (1, b"WATCHDOG=1")),
    datagrams(1500, 0, (0, b"READY=1\nWATCHDOG_USEC=18446744073709551616\nWATCHDOG_USEC=1500")),
    datagrams(1500, 0, (0, b"WATCHDOG_USEC=-1\nWATCHDOG_USEC=+5\nWATCHDOG_USEC= 5\nWATCHDOG_USEC=")),
    datagrams(1500, 65535, (0, b"\n\nWATCHDOG=1\r\nREADY=10\n WATCHDOG=1"), (0, b"BARRIER=1")),
    datagrams(1, 1, (65535, b"READY=1\x00WATCHDOG=trigger"), (0, b"STOPPING=0\nRELOADING=1")),
])
