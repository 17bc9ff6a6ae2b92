#!/usr/bin/env python3
"""Writes names/<language>.rc, the country names of the applet in its 14 languages:
one string table per language, string 1000 + country number for every row of the
start-up's country table (app/CountryTable.cpp, read from there, not copied).

    python3 make_country_names.py

The names come from Debian's iso-codes package (iso-codes 4.15 when the committed files
were written): the English names from /usr/share/iso-codes/json/iso_3166-1.json and
iso_3166-3.json, their translations from /usr/share/locale/<lang>/LC_MESSAGES/
iso_3166-1.mo and iso_3166-3.mo. Run it at development time after a change to the
country table and commit what it writes: the build takes the committed files as they
are and needs no iso-codes package.

Which name a country gets:
- A code of ISO 3166-1: its short common name where ISO gives one ("Bolivia",
  "South Korea", "Taiwan", "Vietnam" rather than "Bolivia, Plurinational State of",
  "Korea, Republic of", ...), translated; where a language has no translation of the
  common name, the translation of the full name; where it has neither, the English name.
- AN, no longer in ISO 3166-1: its name in ISO 3166-3 (former countries), "Netherlands
  Antilles", translated the same way.
- YU and ZR, no longer in ISO 3166-1: ISO 3166-3 names them only in long forms
  ("Yugoslavia, (Socialist) Federal Republic of", "Zaire, Republic of"); they are listed
  by the names people know, "Yugoslavia" and "Zaire", written out below per language.
- CB, never an ISO code: its number, 253, belongs to no single country among the
  table's numbers; it is listed as "Other countries", written out below per language.
- TR in Japanese: iso-codes has no Japanese name for "Türkiye", and the English name does
  not fit the Japanese code page; it is written out below as well.
The applet is an ANSI program: every name must fit its language's ANSI code page. Every
code of the table must get a name. The script stops when either fails.
"""
import gettext
import json
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.normpath(os.path.join(HERE, '..', '..'))
ISO_JSON = '/usr/share/iso-codes/json'
LOCALE_DIR = '/usr/share/locale'

# file name, gettext language, resource LANGUAGE line (as resources/strings/*.rc), name,
# ANSI code page of the language
LANGUAGES = [
    ('da', 'da', 'LANG_DANISH, SUBLANG_NEUTRAL', 'Danish', 'cp1252'),
    ('de', 'de', 'LANG_GERMAN, SUBLANG_NEUTRAL', 'German', 'cp1252'),
    ('en', None, 'LANG_ENGLISH, SUBLANG_NEUTRAL', 'English', 'cp1252'),
    ('es', 'es', 'LANG_SPANISH, SUBLANG_NEUTRAL', 'Spanish', 'cp1252'),
    ('fi', 'fi', 'LANG_FINNISH, SUBLANG_NEUTRAL', 'Finnish', 'cp1252'),
    ('fr', 'fr', 'LANG_FRENCH, SUBLANG_NEUTRAL', 'French', 'cp1252'),
    ('it', 'it', 'LANG_ITALIAN, SUBLANG_NEUTRAL', 'Italian', 'cp1252'),
    ('ja', 'ja', 'LANG_JAPANESE, SUBLANG_NEUTRAL', 'Japanese', 'cp932'),
    ('nl', 'nl', 'LANG_DUTCH, SUBLANG_NEUTRAL', 'Dutch', 'cp1252'),
    ('no', 'nb', 'LANG_NORWEGIAN, SUBLANG_NEUTRAL', 'Norwegian', 'cp1252'),
    ('pt', 'pt', 'LANG_PORTUGUESE, SUBLANG_NEUTRAL', 'Portuguese', 'cp1252'),
    ('sv', 'sv', 'LANG_SWEDISH, SUBLANG_NEUTRAL', 'Swedish', 'cp1252'),
    ('zh-CN', 'zh_CN', 'LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED', 'Chinese (Simplified)', 'cp936'),
    ('zh-TW', 'zh_TW', 'LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL', 'Chinese (Traditional)', 'cp950'),
]

# The names that ISO does not give in a usable form, per file name of LANGUAGES.
WRITTEN_OUT = {
    'YU': {
        'da': 'Jugoslavien', 'de': 'Jugoslawien', 'en': 'Yugoslavia', 'es': 'Yugoslavia',
        'fi': 'Jugoslavia', 'fr': 'Yougoslavie', 'it': 'Jugoslavia', 'ja': 'ユーゴスラビア',
        'nl': 'Joegoslavië', 'no': 'Jugoslavia', 'pt': 'Jugoslávia', 'sv': 'Jugoslavien',
        'zh-CN': '南斯拉夫', 'zh-TW': '南斯拉夫',
    },
    'ZR': {
        'da': 'Zaire', 'de': 'Zaire', 'en': 'Zaire', 'es': 'Zaire', 'fi': 'Zaire',
        'fr': 'Zaïre', 'it': 'Zaire', 'ja': 'ザイール', 'nl': 'Zaïre', 'no': 'Zaire',
        'pt': 'Zaire', 'sv': 'Zaire', 'zh-CN': '扎伊尔', 'zh-TW': '薩伊',
    },
    'CB': {
        'da': 'Andre lande', 'de': 'Andere Länder', 'en': 'Other countries',
        'es': 'Otros países', 'fi': 'Muut maat', 'fr': 'Autres pays', 'it': 'Altri paesi',
        'ja': 'その他の国', 'nl': 'Andere landen', 'no': 'Andre land', 'pt': 'Outros países',
        'sv': 'Andra länder', 'zh-CN': '其他国家', 'zh-TW': '其他國家',
    },
}

# Single names that a language's translations lack, per (file name, code).
WRITTEN_OUT_FOR_ONE_LANGUAGE = {
    ('ja', 'TR'): 'トルコ',
}

FIRST_STRING = 1000   # string FIRST_STRING + country number; PmzCplResource.h agrees


def country_table():
    """The rows of app/CountryTable.cpp as (letters, number), in the table's order."""
    with open(os.path.join(TOP, 'app', 'CountryTable.cpp'), encoding='utf-8') as f:
        rows = [(letters, int(number)) for letters, number in
                re.findall(r'\{\s*"([A-Z]{2})"\s*,\s*(\d+)\s*\}', f.read())]
    numbers = [number for _, number in rows]
    if not rows or len(set(numbers)) != len(numbers) or max(numbers) > 255:
        sys.exit('make_country_names: cannot read the country table')
    return rows


def iso_entries(part):
    with open(os.path.join(ISO_JSON, 'iso_%s.json' % part), encoding='utf-8') as f:
        return {entry['alpha_2']: entry for entry in json.load(f)[part] if 'alpha_2' in entry}


def translator(domain, language):
    if language is None:
        return lambda text: text
    return gettext.translation(domain, LOCALE_DIR, languages=[language]).gettext


def name_of(letters, current, former, file_name, translate_current, translate_former):
    if (file_name, letters) in WRITTEN_OUT_FOR_ONE_LANGUAGE:
        return WRITTEN_OUT_FOR_ONE_LANGUAGE[(file_name, letters)]
    if letters in WRITTEN_OUT:
        return WRITTEN_OUT[letters][file_name]
    if letters in current:
        entry, translate = current[letters], translate_current
    elif letters in former:
        entry, translate = former[letters], translate_former
    else:
        sys.exit('make_country_names: no name for %s' % letters)
    if 'common_name' in entry:
        translated = translate(entry['common_name'])
        if translated != entry['common_name'] or translate(entry['name']) == entry['name']:
            return translated
    return translate(entry['name'])


def rc_string(text):
    if any(c in text for c in '\\\n\r\t'):
        sys.exit('make_country_names: a name that a resource script cannot hold: %r' % text)
    return '"' + text.replace('"', '""') + '"'


def main():
    rows = country_table()
    current, former = iso_entries('3166-1'), iso_entries('3166-3')
    os.makedirs(os.path.join(HERE, 'names'), exist_ok=True)
    for file_name, language, resource_language, title, code_page in LANGUAGES:
        translate_current = translator('iso_3166-1', language)
        translate_former = translator('iso_3166-3', language)
        lines = [
            '// %s: the country names of the applet, string %d + country number.' % (title, FIRST_STRING),
            '// Written by helpers/pmzcpl/make_country_names.py from the iso-codes data;',
            '// run it again rather than editing this file.',
            'LANGUAGE %s' % resource_language,
            '',
            'STRINGTABLE',
            'BEGIN',
        ]
        for letters, number in sorted(rows, key=lambda row: row[1]):
            name = name_of(letters, current, former, file_name, translate_current, translate_former)
            try:
                name.encode(code_page)
            except UnicodeEncodeError:
                sys.exit('make_country_names: the %s name of %s, %s, does not fit %s' % (title, letters, name, code_page))
            lines.append('    %d %s   // %s' % (FIRST_STRING + number, rc_string(name), letters))
        lines += ['END', '']
        with open(os.path.join(HERE, 'names', file_name + '.rc'), 'w', encoding='utf-8', newline='\n') as f:
            f.write('\n'.join(lines))


if __name__ == '__main__':
    main()
