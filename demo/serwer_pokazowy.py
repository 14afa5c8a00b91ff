#!/usr/bin/python3
"""Pokazowy serwer stron gmin: Ekowarta bez Internetu.

  prepare --dir KATALOG --port N   katalog danych pokazu: rejestr.csv (do
                                   `ekowarta-cli import`), config.ini,
                                   ftp/wykaz.txt
  serve --dir KATALOG --port N     strony gmin (HTTP) na porcie N kilku adresów
        [--slow SEKUNDY]           pętli zwrotnej (127.0.0.2 … 127.0.0.9, gdy
        [--latency SEKUNDY]        system na to pozwala, inaczej 127.0.0.1) i
                                   serwer FTP z wykazem na 127.0.0.1:N+1, aż do
                                   zatrzymania

Gminy są rozdzielone między te adresy jak między serwery różnych urzędów,
więc kontrola kilku stron naraz jest wyraźnie szybsza niż jednej po drugiej;
każda strona informacyjna odpowiada po --latency sekund (domyślnie 0,5 s),
jak prawdziwy serwer urzędu.

Strony są pisane w chwili zapytania: daty liczone od dzisiaj, część stron
zmienia się przy każdej kontroli (licznik kontroli zapisany w katalogu
pokazu): jedna publikuje przy każdej kontroli nowe ogłoszenie, jedna od
drugiej kontroli ogłasza konsultacje z terminem uwag, jedna zmienia tylko
licznik odwiedzin; jedna odpowiada 404, jedna błędem serwera, jedna wolniej niż
limit czasu kontroli; jedna wystawia ogłoszenia jako załączniki PDF, od
drugiej kontroli z nowym obwieszczeniem o konsultacjach, którego znak sprawy
i termin uwag są tylko w pliku PDF. Tylko biblioteka standardowa (FTP:
python3-pyftpdlib, PDF: python3-reportlab, gdy są zainstalowane).
"""
import argparse
import datetime
import html
import json
import os
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

HERE = os.path.dirname(os.path.abspath(__file__))
UNREACHABLE_PORT = 9  # discard: nikt tu nie słucha, więc "Host ... jest niedostępny"
FTP_USER = "demo"
FTP_PASSWORD = "demo"

MONTHS = ["stycznia", "lutego", "marca", "kwietnia", "maja", "czerwca", "lipca",
          "sierpnia", "września", "października", "listopada", "grudnia"]

NOTICES = [
    "Obwieszczenie o wszczęciu postępowania w sprawie wydania decyzji o środowiskowych uwarunkowaniach",
    "Informacja o wydaniu decyzji o środowiskowych uwarunkowaniach dla przedsięwzięcia",
    "Zawiadomienie o możliwości zapoznania się z dokumentacją sprawy",
    "Obwieszczenie o przystąpieniu do sporządzenia prognozy oddziaływania na środowisko",
    "Informacja o udostępnieniu raportu o oddziaływaniu przedsięwzięcia na obszar Natura 2000",
    "Zawiadomienie stron o zebraniu materiału dowodowego",
    "Wykaz danych o dokumentach zawierających informacje o środowisku i jego ochronie",
]


# --- the register -------------------------------------------------------

def municipalities():
    rows = []
    with open(os.path.join(HERE, "gminy.csv"), encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            slug, gmina, natura, woj, kind = line.split(";")
            rows.append({"slug": slug, "gmina": gmina, "natura": natura, "woj": woj, "kind": kind})
    return rows


# --- the hosts ----------------------------------------------------------

HOSTS_FILE = ".hosty"
SPARE_HOSTS = ["127.0.0.%d" % n for n in range(2, 10)]


def usable_hosts(port):
    """The loopback addresses the demo's pages are served from: 127.0.0.2 and
    up where the system lets one listen on them (Linux does), else only
    127.0.0.1."""
    import socket
    hosts = []
    for address in SPARE_HOSTS:
        probe = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        try:
            probe.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            probe.bind((address, port))
            hosts.append(address)
        except OSError:
            break
        finally:
            probe.close()
    return hosts or ["127.0.0.1"]


def read_hosts(directory):
    try:
        with open(os.path.join(directory, HOSTS_FILE)) as f:
            hosts = f.read().split()
    except OSError:
        hosts = []
    return hosts or ["127.0.0.1"]


def host_of(row, hosts, slugs):
    # One office's server per municipality, the municipalities spread over
    # the addresses in the order of the register.
    return hosts[slugs.index(row["slug"]) % len(hosts)]


def slugs_of(rows):
    slugs = []
    for row in rows:
        if row["slug"] not in slugs:
            slugs.append(row["slug"])
    return slugs


def info_address(port, row, host="127.0.0.1"):
    if row["kind"] == "niedostepna":
        return "http://127.0.0.1:%d/%s/ochrona-srodowiska.html" % (UNREACHABLE_PORT, row["slug"])
    return "http://%s:%d/%s/ochrona-srodowiska.html" % (host, port, row["slug"])


def scramble(password):
    # The program's own scrambling of the FTP password in config.ini: every
    # byte XOR its position counted from 1.
    return bytes(b ^ ((i + 1) & 0xFF) for i, b in enumerate(password.encode("cp1250")))


def write_crlf(path, lines, encoding):
    with open(path, "wb") as f:
        for line in lines:
            f.write(line.encode(encoding) + b"\r\n")


def prepare(directory, port):
    os.makedirs(os.path.join(directory, "ftp"), exist_ok=True)
    port_file = os.path.join(directory, ".port")
    old_port = open(port_file).read().strip() if os.path.exists(port_file) else None
    old_hosts = read_hosts(directory) if os.path.exists(os.path.join(directory, HOSTS_FILE)) else None
    hosts = usable_hosts(port)
    if (old_port is not None and old_port != str(port)) or (old_hosts is not None and old_hosts != hosts) \
            or (old_port is not None and old_hosts is None):
        # The register holds the addresses with their hosts and port: new
        # ones, a new register.
        for name in ("baza.dbf", "baza.mdx", "liczniki.json"):
            if os.path.exists(os.path.join(directory, name)):
                os.remove(os.path.join(directory, name))
    with open(port_file, "w") as f:
        f.write(str(port))
    with open(os.path.join(directory, HOSTS_FILE), "w") as f:
        f.write(" ".join(hosts) + "\n")

    base = "http://127.0.0.1:%d" % port
    rows = municipalities()
    slugs = slugs_of(rows)
    lines = ["Gmina;Natura2000;Wojewodztwo;dom;info;bip"]
    for row in rows:
        own = "http://%s:%d" % (host_of(row, hosts, slugs), port)
        lines.append(";".join([row["gmina"], row["natura"], row["woj"],
                               "%s/%s/" % (own, row["slug"]), info_address(port, row, host_of(row, hosts, slugs)),
                               "%s/%s/bip.html" % (own, row["slug"])]))
    write_crlf(os.path.join(directory, "rejestr.csv"), lines, "utf-8")

    config = os.path.join(directory, "config.ini")
    if not os.path.exists(config):
        with open(config, "wb") as f:
            f.write(b"[opcje]\r\ntray=0\r\nczas=0\r\ndubl=1\r\nwpisy=1\r\nlicz=20\r\n")
            # Eight pages at a time, half a second between two requests to one server.
            f.write(b"watki=8\r\nprzerwa=500\r\n")
            f.write(("host=127.0.0.1:%d\r\ndir=/\r\nuser=%s\r\n" % (port + 1, FTP_USER)).encode("cp1250"))
            f.write(b"pass=" + scramble(FTP_PASSWORD) + b"\r\n")

    wykaz = os.path.join(directory, "ftp", "wykaz.txt")
    if not os.path.exists(wykaz):
        day = datetime.date.today() - datetime.timedelta(days=40)
        write_crlf(wykaz, [
            'Dnia %d %s %d wprowadzono zmiany na stronie gminy <a href="%s/kampinos/ochrona-srodowiska.html" '
            'target=_blank><b>Kampinos</b></a> (obszar Natura 2000: PLC140001 Puszcza Kampinoska). <hr>'
            % (day.day, MONTHS[day.month - 1], day.year, base)], "cp1250")


# --- the pages ----------------------------------------------------------

class Counters:
    """How many checks each page has seen; kept in the demo folder so that
    the pages go on changing across restarts of the demo."""

    def __init__(self, path):
        self.path = path
        self.lock = threading.Lock()
        try:
            with open(path) as f:
                self.counts = json.load(f)
        except (OSError, ValueError):
            self.counts = {}

    def checked(self, page):
        with self.lock:
            self.counts[page] = self.counts.get(page, 0) + 1
            with open(self.path, "w") as f:
                json.dump(self.counts, f)
            return self.counts[page] - 1

    def version(self, page):
        with self.lock:
            return max(0, self.counts.get(page, 0) - 1)


def ago(days):
    return datetime.date.today() - datetime.timedelta(days=days)


def in_words(d, upper=False):
    text = "%d %s %d" % (d.day, MONTHS[d.month - 1], d.year)
    return text.upper() if upper else text


def document(title, gmina, items, encoding):
    charset = "windows-1250" if encoding == "cp1250" else "utf-8"
    rows = "\r\n".join("<li>%s</li>" % item for item in items)
    return ("<!DOCTYPE html>\r\n<html lang=\"pl\">\r\n<head>\r\n"
            "<meta charset=\"%s\">\r\n<title>%s – %s</title>\r\n</head>\r\n<body>\r\n"
            "<h1>Urząd Gminy %s</h1>\r\n<h2>%s</h2>\r\n<ul>\r\n%s\r\n</ul>\r\n"
            "<p>Strona pokazowa programu Ekowarta.</p>\r\n</body>\r\n</html>\r\n"
            % (charset, html.escape(title), html.escape(gmina), html.escape(gmina), html.escape(title), rows))


def dated(notices, dates, form):
    items = []
    for i, d in enumerate(dates):
        if form == "miesiace":
            when = in_words(d)
        elif form == "wielkie":
            when = in_words(d, upper=True)
        elif form == "iso":
            when = d.isoformat()
        elif form == "kropki":
            when = d.strftime("%d.%m.%Y")
        else:
            when = d.strftime("%d/%m/%Y")
        items.append("%s – %s" % (when, html.escape(notices[i % len(notices)])))
    return items


def consultation_notice(gmina, natura):
    """A notice in the form offices post it: place and date, the case
    reference, the letter-spaced heading, the body with its comment window
    and the authority's signature."""
    posted = ago(1)
    until = datetime.date.today() + datetime.timedelta(days=21)
    code = natura.split()[0]
    name = natura[len(code):].strip()
    return ("<div class=\"ogloszenie\">\r\n<p style=\"text-align:right\">%s, dnia %s r.</p>\r\n"
            "<p>GKR.6220.21.%d</p>\r\n<p style=\"text-align:center\"><b>O B W I E S Z C Z E N I E</b></p>\r\n"
            "<p>Burmistrz %s zawiadamia, że na wniosek inwestora zostało wszczęte postępowanie w sprawie wydania "
            "decyzji o środowiskowych uwarunkowaniach dla przedsięwzięcia polegającego na budowie fermy drobiu "
            "w Sułowie, w granicach obszaru Natura 2000 %s %s.</p>\r\n<p>Uwagi i wnioski można składać od dnia %s r. "
            "do dnia %s r. w Urzędzie Miejskim.</p>\r\n<p style=\"text-align:right\">Burmistrz %s</p>\r\n</div>"
            % (html.escape(gmina), in_words(posted), posted.year, html.escape(genitive(gmina)), html.escape(name),
               code, in_words(posted), in_words(until), html.escape(genitive(gmina))))


def attachment_notice(gmina, natura, number):
    """The text of the PDF behind a list row: the whole notice, with what
    the row leaves out (the case reference, the procedure, the comment
    window)."""
    posted = ago(1)
    until = datetime.date.today() + datetime.timedelta(days=14)
    code = natura.split()[0]
    return [
        "%s, dnia %s r." % (gmina, in_words(posted)),
        "RGK.6220.%d.%d" % (number, posted.year),
        "OBWIESZCZENIE",
        "Wójt Gminy %s zawiadamia, że na wniosek inwestora zostało wszczęte postępowanie w sprawie wydania "
        "decyzji o środowiskowych uwarunkowaniach dla przedsięwzięcia polegającego na przebudowie grobli "
        "stawów rybnych, w granicach obszaru Natura 2000 %s %s." % (gmina, natura[len(code):].strip(), code),
        "Uwagi i wnioski można składać od dnia %s r. do dnia %s r. w Urzędzie Gminy."
        % (in_words(posted), in_words(until)),
        "Wójt Gminy %s" % gmina,
    ]


def archived_notice(gmina, number):
    decided = ago(45)
    return [
        "%s, dnia %s r." % (gmina, in_words(decided)),
        "RGK.6220.%d.%d" % (number, decided.year),
        "OBWIESZCZENIE",
        "Wójt Gminy %s informuje o wydaniu decyzji o środowiskowych uwarunkowaniach dla przedsięwzięcia "
        "polegającego na budowie drogi gminnej." % gmina,
        "Wójt Gminy %s" % gmina,
    ]


PDF_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def notice_pdf(lines):
    """A PDF with a text layer, as offices attach them; None without
    python3-reportlab."""
    try:
        import io
        from reportlab.lib.pagesizes import A4
        from reportlab.lib.styles import ParagraphStyle
        from reportlab.pdfbase import pdfmetrics
        from reportlab.pdfbase.ttfonts import TTFont
        from reportlab.platypus import Paragraph, SimpleDocTemplate
        from xml.sax.saxutils import escape
    except ImportError:
        return None
    font = "Helvetica"
    if os.path.exists(PDF_FONT):
        if "DejaVuSans" not in pdfmetrics.getRegisteredFontNames():
            pdfmetrics.registerFont(TTFont("DejaVuSans", PDF_FONT))
        font = "DejaVuSans"
    style = ParagraphStyle("tekst", fontName=font, fontSize=11, leading=15, spaceAfter=8)
    out = io.BytesIO()
    SimpleDocTemplate(out, pagesize=A4, title="Obwieszczenie").build([Paragraph(escape(l), style) for l in lines])
    return out.getvalue()


def attachment_page(row, version):
    """The list of a municipality that publishes its notices as PDFs: the
    row gives the kind and the date, the file the rest. From the second
    check on a new notice stands on top."""
    gmina, slug = row["gmina"], row["slug"]
    rows = []
    if version >= 1:
        rows.append(('<a href="pliki/obwieszczenie-14.pdf">Obwieszczenie Wójta Gminy %s z dnia %s r.</a> '
                     '(PDF, 24 KB)' % (html.escape(gmina), in_words(ago(1)))))
    rows.append(('<a href="/%s/pliki/obwieszczenie-9.pdf">Obwieszczenie Wójta Gminy %s z dnia %s r.</a> '
                 '<a href="/%s/pliki/obwieszczenie-9.pdf">pobierz</a> (PDF, 22 KB)'
                 % (slug, html.escape(gmina), in_words(ago(45)), slug)))
    return document("Obwieszczenia i zawiadomienia", gmina, rows, "utf-8")


def attachment(row, name):
    number = {"obwieszczenie-14.pdf": 14, "obwieszczenie-9.pdf": 9}.get(name)
    if number is None:
        return None
    lines = attachment_notice(row["gmina"], row["natura"], number) if number == 14 else \
        archived_notice(row["gmina"], number)
    return notice_pdf(lines)


def genitive(gmina):
    # Enough for the demo's one consulting municipality.
    return {"Milicz": "Milicza"}.get(gmina, gmina)


def info_page(row, version):
    """(status, content type, body bytes, delay) of a municipality's
    information page, at the given check of it."""
    kind, gmina = row["kind"], row["gmina"]
    title = "Informacje o środowisku i jego ochronie"

    def page(items, encoding):
        charset = "windows-1250" if encoding == "cp1250" else "utf-8"
        body = document(title, gmina, items, encoding).encode(encoding)
        return 200, "text/html; charset=" + charset, body, 0

    if kind == "stala-miesiace":
        return page(dated(NOTICES, [ago(12), ago(30), ago(75)], "miesiace"), "cp1250")
    if kind == "stala-iso":
        return page(dated(NOTICES, [ago(5), ago(19), ago(60)], "iso"), "utf-8")
    if kind == "stala-kropki":
        return page(dated(NOTICES, [ago(20), ago(44)], "kropki"), "cp1250")
    if kind == "stala-ukosniki":
        return page(dated(NOTICES, [ago(9), ago(33)], "ukosniki"), "utf-8")
    if kind == "wielkie-litery":
        return page(dated(NOTICES, [ago(15), ago(40)], "wielkie"), "cp1250")
    if kind == "zeszloroczna":
        last_year = datetime.date(datetime.date.today().year - 1, 12, 12)
        return page(dated(NOTICES, [last_year], "miesiace"), "cp1250")
    if kind == "nowa-data":
        # Every check finds a newer announcement, up to yesterday.
        newest = max(1, 30 - 7 * version)
        return page(dated(NOTICES, [ago(newest), ago(newest + 14), ago(newest + 45)], "miesiace"),
                    "cp1250" if len(gmina) % 2 else "utf-8")
    if kind == "nowe-wiersze":
        # No dates; every check one more line.
        return page([html.escape(NOTICES[i % len(NOTICES)]) for i in range(3 + version)], "utf-8")
    if kind == "licznik":
        # Nothing is ever published here: only the visit counter, the
        # generation stamp, the session in the links and a tracking script
        # (whose length changes the line count) differ between checks.
        counter = 16807967 + 13 * version
        now = datetime.datetime.now()
        notices = [html.escape(n) for n in NOTICES[:3]]
        body = document(title, gmina, notices, "utf-8")
        extra = ("<script>\r\n" + "".join("licznik.push(%d);\r\n" % i for i in range(2 + version % 2)) +
                 "</script>\r\n<p><a href=\"druk.php?PHPSESSID=%08x\">Wersja do druku</a></p>\r\n"
                 "<p>licznik odwiedzin: %d</p>\r\n<p>Data wygenerowania strony: %s</p>\r\n"
                 % (abs(hash((gmina, version))) & 0xFFFFFFFF, counter, now.strftime("%d.%m.%Y %H:%M:%S")))
        body = body.replace("</body>", extra + "</body>")
        return 200, "text/html; charset=utf-8", body.encode("utf-8"), 0
    if kind == "nowe-ogloszenia":
        # Each check finds one more notice on top of the list; the older
        # ones stay as they were.
        items = []
        for k in range(version, 0, -1):
            items.append("%s – Obwieszczenie nr %d/%d o wydaniu decyzji o środowiskowych uwarunkowaniach"
                         % (in_words(ago(max(1, 15 - k))), k, datetime.date.today().year))
        items += dated(NOTICES, [ago(20), ago(41), ago(70)], "miesiace")
        return page(items, "cp1250")
    if kind == "konsultacje":
        # The first check sees last month's decision only; from the second
        # on, a new notice opens a consultation whose comments are due in
        # three weeks: a new notice with its deadline.
        items = ["Obwieszczenie o wydaniu decyzji o środowiskowych uwarunkowaniach dla przedsięwzięcia "
                 "polegającego na budowie stawu retencyjnego – %s" % in_words(ago(40))]
        status, ctype, body, delay = page(items, "cp1250")
        if version >= 1:
            notice = consultation_notice(gmina, row["natura"]).encode("cp1250")
            body = body.replace(b"<ul>", notice + b"\r\n<h3>Archiwum</h3>\r\n<ul>", 1)
        return status, ctype, body, delay
    if kind == "zalaczniki-pdf":
        return 200, "text/html; charset=utf-8", attachment_page(row, version).encode("utf-8"), 0
    if kind == "bez-daty":
        return page([html.escape(n) for n in NOTICES[:4]], "cp1250")
    if kind == "nietypowa":
        # Starts with a NUL byte, so the page has no lines: only its size counts.
        body = b"\0" + b"x" * (180 + 17 * version)
        return 200, "text/html", body, 0
    if kind == "brak-strony":
        return 404, "text/html; charset=utf-8", document("Nie znaleziono strony", gmina, [], "utf-8").encode(), 0
    if kind == "blad-serwera":
        return 500, "text/html; charset=utf-8", b"<html><body>Internal Server Error</body></html>", 0
    if kind == "dokument-pdf":
        return 200, "application/pdf", b"%PDF-1.4\n% Ekowarta\n%%EOF\n", 0
    if kind == "pusta":
        return 200, "text/html", b"", 0
    if kind == "za-haslem":
        status, ctype, body, _ = page(dated(NOTICES, [ago(7)], "iso"), "utf-8")
        return 401, ctype, body, 0
    if kind == "wolna":
        status, ctype, body, _ = page(dated(NOTICES, [ago(3)], "miesiace"), "cp1250")
        return status, ctype, body, None  # the server's --slow
    return page(dated(NOTICES, [ago(10)], "miesiace"), "cp1250")


def index_page(port, wykaz_path, hosts):
    items = []
    rows = municipalities()
    slugs = slugs_of(rows)
    for row in rows:
        items.append('<a href="%s">%s</a> (%s) – %s' % (
            html.escape(info_address(port, row, host_of(row, hosts, slugs))), html.escape(row["gmina"]),
            html.escape(row["natura"]), html.escape(row["kind"])))
    published = ""
    try:
        with open(wykaz_path, "rb") as f:
            published = f.read().decode("cp1250", "replace")
    except OSError:
        pass
    body = ("<!DOCTYPE html>\r\n<html lang=\"pl\"><head><meta charset=\"utf-8\">"
            "<title>Ekowarta – serwer pokazowy</title></head><body>"
            "<h1>Serwer pokazowy programu Ekowarta</h1><h2>Strony gmin</h2><ul>%s</ul>"
            "<h2>Wykaz zmian (wykaz.txt na serwerze FTP)</h2>%s</body></html>"
            % ("".join("<li>%s</li>" % i for i in items), published))
    return body.encode("utf-8")


def make_handler(directory, port, slow, latency, hosts, counters, rows):
    by_slug = {}
    for row in rows:
        by_slug.setdefault(row["slug"], row)

    class Handler(BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.0"
        server_version = "EkowartaDemo/1.0"

        def log_message(self, fmt, *args):
            sys.stderr.write("%s %s\n" % (time.strftime("%H:%M:%S"), fmt % args))

        def send(self, status, ctype, body, extra=()):
            self.send_response(status)
            if ctype:
                self.send_header("Content-Type", ctype)
            self.send_header("Content-Length", str(len(body)))
            for name, value in extra:
                self.send_header(name, value)
            self.end_headers()
            try:
                self.wfile.write(body)
            except (BrokenPipeError, ConnectionResetError):
                pass  # the check's first request reads the headers only

        def do_GET(self):
            path = self.path.split("?")[0]
            if path in ("/", "/index.html"):
                return self.send(200, "text/html; charset=utf-8",
                                 index_page(port, os.path.join(directory, "ftp", "wykaz.txt"), hosts))
            parts = [p for p in path.split("/") if p]
            row = by_slug.get(parts[0]) if parts else None
            if row is None:
                return self.send(404, "text/html", b"<html><body>Not Found</body></html>")
            page = parts[1] if len(parts) > 1 else ""
            if page == "ochrona-srodowiska.html" and row["kind"] == "przeniesiona":
                return self.send(301, "text/html", b"",
                                 [("Location", "/%s/informacje-o-srodowisku.html" % row["slug"])])
            if page in ("ochrona-srodowiska.html", "informacje-o-srodowisku.html"):
                # A check asks twice: headers first (HTTP/1.0), then the page.
                key = row["slug"]
                version = counters.checked(key) if self.request_version == "HTTP/1.0" else counters.version(key)
                status, ctype, body, delay = info_page(row, version)
                time.sleep(slow if delay is None else delay + latency)
                return self.send(status, ctype, body)
            if page == "pliki" and len(parts) == 3 and row["kind"] == "zalaczniki-pdf":
                pdf = attachment(row, parts[2])
                if pdf is None:
                    return self.send(404, "text/html", b"<html><body>Not Found</body></html>")
                return self.send(200, "application/pdf", pdf)
            if page == "bip.html":
                title = "Biuletyn Informacji Publicznej"
            else:
                title = "Strona domowa"
            return self.send(200, "text/html; charset=utf-8",
                             document(title, row["gmina"], [html.escape(row["natura"])], "utf-8").encode())

    return Handler


def start_ftp(directory, port):
    try:
        from pyftpdlib.authorizers import DummyAuthorizer
        from pyftpdlib.handlers import FTPHandler
        from pyftpdlib.servers import FTPServer
    except ImportError:
        sys.stderr.write("Brak python3-pyftpdlib: publikacja w pokazie nie zadziała.\n")
        return None
    import logging
    logging.getLogger("pyftpdlib").setLevel(logging.WARNING)
    authorizer = DummyAuthorizer()
    authorizer.add_user(FTP_USER, FTP_PASSWORD, os.path.join(directory, "ftp"), perm="elradfmw")
    handler = type("DemoFTPHandler", (FTPHandler,), {"authorizer": authorizer})
    server = FTPServer(("127.0.0.1", port), handler)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    return server


def serve(directory, port, slow, latency):
    counters = Counters(os.path.join(directory, "liczniki.json"))
    hosts = read_hosts(directory)
    handler = make_handler(directory, port, slow, latency, hosts, counters, municipalities())
    servers = []
    # The index page and the home pages of 127.0.0.1 stay where they were.
    for address in (["127.0.0.1"] if "127.0.0.1" not in hosts else []) + hosts:
        try:
            server = ThreadingHTTPServer((address, port), handler)
        except OSError as e:
            sys.stderr.write("Nie można uruchomić serwera pokazowego na %s:%d: %s\n" % (address, port, e))
            for s in servers:
                s.server_close()
            return 1
        server.daemon_threads = True
        servers.append(server)
    httpd = servers[0]
    for server in servers[1:]:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    try:
        ftp = start_ftp(directory, port + 1)
    except OSError as e:
        sys.stderr.write("Nie można uruchomić serwera FTP na 127.0.0.1:%d: %s\n" % (port + 1, e))
        ftp = None
    print("PORT %d" % port, flush=True)
    print("HOSTY %s" % " ".join(hosts), flush=True)
    try:
        httpd.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        if ftp is not None:
            ftp.close_all()
    return 0


def main():
    parser = argparse.ArgumentParser(description="Serwer pokazowy programu Ekowarta")
    parser.add_argument("command", choices=["prepare", "serve"])
    parser.add_argument("--dir", required=True)
    parser.add_argument("--port", type=int, default=8642)
    parser.add_argument("--slow", type=float, default=45.0,
                        help="ile sekund czeka wolna strona (limit kontroli w pokazie: 30 s)")
    parser.add_argument("--latency", type=float, default=0.5,
                        help="ile sekund czeka każda strona informacyjna (jak serwer urzędu)")
    args = parser.parse_args()
    directory = os.path.abspath(args.dir)
    if args.command == "prepare":
        prepare(directory, args.port)
        return 0
    return serve(directory, args.port, args.slow, args.latency)


if __name__ == "__main__":
    sys.exit(main())
