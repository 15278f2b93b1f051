#!/usr/bin/env python3
"""Writes records/charmodel.inc: the character model by which the CSV
encoding vote tells UTF-8 from code page 936. A reading's cost is its
surprise in quarter bits: for each character, -log2 P(its class | the class
before it) - log2 P(the character | its class).

Where each number comes from:
- Chinese characters: how often each occurs in the words of jieba's
  dictionary (Debian's python3-jieba, dict.txt: 349,046 words with their
  counts in a corpus of modern simplified Chinese), a word's count added to
  each of its characters. A sheet's Chinese is mostly general words
  (addresses, goods) but partly people's names, whose characters such a
  corpus holds too seldom (the surname 娄): the names are counted apart
  from the words jieba tags as person names (nr), and taken as NAME_SHARE
  of a sheet's Chinese characters (a prior from the waybill: a receiver's
  and a sender's name, about six characters, against some fifty of
  addresses and goods). A traditional form (kSimplifiedVariant in the
  Unihan database, Debian's unicode-data) is as common in a sheet written
  in traditional characters as its simplified form is in a simplified one;
  such sheets are taken as TRADITIONAL_SHARE of all (a prior, not a count:
  no packaged source says how many shops write traditional characters).
- The classes (blank, Chinese character, Latin letter, digit, punctuation,
  sign, letter of another script, other), how often one follows another
  and which one a line begins with, and every character of the blank,
  letter, digit, punctuation, script and other classes: counts over the
  lines of the simplified Chinese manual pages (Debian's manpages-zh) that
  hold Chinese, their formatting requests taken out. Class changes are
  smoothed towards how often each class occurs (Witten-Bell); a character
  count gets one added over its class's whole repertoire (Laplace), so
  what the text never shows costs more than what it shows once, never
  infinitely much.
- Signs: the manual pages hold too few to rank them (a few dozen beyond
  ASCII), so each costs as one of the first plane's signs taken at random.
  Two kinds of character are no signs or punctuation of a sheet's text and
  are weighed as letters of another script instead: a sign or punctuation
  mark of one script (Scripts.txt, Debian's unicode-data: an Arabic sign,
  the Armenian or Syriac full stop) belongs to that script's text, and a
  modifier symbol (category Sk: a spacing diacritic or tone letter, such
  as U+02E8) to phonetic notation.
Control characters other than tab, CR and LF are no text: the vote skips
them, and they are not counted.
Run: /usr/bin/python3 tools/charmodel.py > records/charmodel.inc
"""
import bz2
import glob
import gzip
import math
import re
import unicodedata

JIEBA = '/usr/lib/python3/dist-packages/jieba/dict.txt'
UNIHAN = '/usr/share/unicode/Unihan_Variants.txt.bz2'
SCRIPTS = '/usr/share/unicode/Scripts.txt'
MANPAGES = '/usr/share/man/zh_CN/man*/*.gz'
TRADITIONAL_SHARE = 1 / 4
NAME_SHARE = 1 / 10

# The classes, in the order of the vote's Class enum.
CLASSES = ['blank', 'han', 'letter', 'digit', 'punctuation', 'sign', 'script', 'other']
BLANK, HAN, LETTER, DIGIT, PUNCT, SIGN, SCRIPT, OTHER = range(8)
CONTROL = -1
# A row of the class table only: what a line begins with.
LINE_START = len(CLASSES)
# Signs that stand beside numbers and words: currency, percent, operators.
ASCII_SIGNS = '#$%&*+<=>@^`|~'
# Letters written as units beside numbers: micro, ohm.
UNIT_LETTERS = (0xB5, 0x3A9, 0x3BC, 0x2126)


# Code points of one script: neither Common nor Inherited.
of_script = set()
for line in open(SCRIPTS, encoding='utf-8'):
    fields = line.split('#')[0].split(';')
    if len(fields) == 2 and fields[1].strip() not in ('Common', 'Inherited'):
        first, _, last = fields[0].strip().partition('..')
        of_script.update(range(int(first, 16), int(last or first, 16) + 1))


def is_han(cp):
    return (0x3400 <= cp <= 0x4DBF or 0x4E00 <= cp <= 0x9FFF or 0xF900 <= cp <= 0xFAFF
            or 0x20000 <= cp <= 0x3FFFF)


def klass(cp):
    """The class of a code point; the vote's Classify must agree."""
    if cp in (9, 10, 13, 32, 0x3000):
        return BLANK
    if cp < 32 or cp == 127:
        return CONTROL
    if 0x41 <= cp <= 0x5A or 0x61 <= cp <= 0x7A or 0xFF21 <= cp <= 0xFF3A or 0xFF41 <= cp <= 0xFF5A:
        return LETTER
    if 0x30 <= cp <= 0x39 or 0xFF10 <= cp <= 0xFF19:
        return DIGIT
    if cp < 128:
        return SIGN if chr(cp) in ASCII_SIGNS else PUNCT
    if is_han(cp):
        return HAN
    cat = unicodedata.category(chr(cp))
    if cat == 'Zs':
        return BLANK
    if (cat[0] in 'PS' and cp in of_script) or cat == 'Sk':
        return SCRIPT
    if cat[0] == 'P':
        return PUNCT
    if cat[0] == 'S' or cat in ('No', 'Nl'):
        return SIGN
    if cp in UNIT_LETTERS:
        return SIGN
    if cat[0] == 'L' and 0xC0 <= cp <= 0xFF:
        return LETTER
    if cat[0] in 'LM' or cat == 'Nd':
        return SCRIPT
    return OTHER


def quarter_bits(p):
    return min(255, round(-4 * math.log2(p)))


# Chinese characters from the word list: all words, and people's names.
han, names = {}, {}
for line in open(JIEBA, encoding='utf-8'):
    word, count, tag = line.split()
    for ch in word:
        if is_han(ord(ch)):
            han[ord(ch)] = han.get(ord(ch), 0) + int(count)
            if tag == 'nr':
                names[ord(ch)] = names.get(ord(ch), 0) + int(count)

simplified = {}
for line in bz2.open(UNIHAN, 'rt', encoding='utf-8'):
    if line.startswith('U+') and '\tkSimplifiedVariant\t' in line:
        cp, _, value = line.rstrip('\n').split('\t')
        targets = [int(v[2:], 16) for v in value.split()]
        if int(cp[2:], 16) not in targets:
            simplified[int(cp[2:], 16)] = targets

# Classes and the other characters from the manual pages.
ROFF = re.compile(r'\\f(\(..|\[[^]]*\]|.)|\\s[-+]?\d|\\\(..|\\[&|^%]|\\"$|^\.\S*\s?')
transitions = [[0] * len(CLASSES) for _ in range(len(CLASSES) + 1)]
chars = {}
for path in sorted(glob.glob(MANPAGES)):
    try:
        text = gzip.open(path, 'rt', encoding='utf-8').read()
    except (UnicodeDecodeError, OSError):
        continue
    for line in text.split('\n'):
        if line.startswith('.\\"') or not any(is_han(ord(ch)) for ch in line):
            continue
        line = ROFF.sub('', line).replace('\\-', '-').replace('\\e', '\\').replace('\\ ', ' ') + '\n'
        prev = LINE_START
        for ch in line:
            k = klass(ord(ch))
            if k == CONTROL:
                continue
            transitions[prev][k] += 1
            prev = k
            if k != HAN:
                chars[ord(ch)] = chars.get(ord(ch), 0) + 1

repertoire = [0] * len(CLASSES)
for cp in range(0x110000):
    k = klass(cp)
    if k != CONTROL:
        repertoire[k] += 1

total = [0] * len(CLASSES)
for cp, n in chars.items():
    total[klass(cp)] += n
total[HAN] = sum(han.values())
names_total = sum(names.values())


def p_char(cp, n):
    k = klass(cp)
    if k == HAN:
        return ((1 - NAME_SHARE) * (n + 1) / (total[k] + repertoire[k])
                + NAME_SHARE * (names.get(cp, 0) + 1) / (names_total + repertoire[k]))
    return (n + 1) / (total[k] + repertoire[k])


cost = {}
for cp, n in chars.items():
    cost[cp] = quarter_bits(p_char(cp, n))
for cp in set(han) | set(simplified):
    if cp > 0xFFFF or not is_han(cp):
        continue
    p = (1 - TRADITIONAL_SHARE) * p_char(cp, han.get(cp, 0))
    forms = [s for s in simplified.get(cp, []) if s in han]
    p += TRADITIONAL_SHARE * (max(p_char(s, han[s]) for s in forms) if forms else p_char(cp, han.get(cp, 0)))
    cost[cp] = quarter_bits(p)
unseen = [quarter_bits(1 / (total[k] + repertoire[k])) for k in range(len(CLASSES))]
unseen[SIGN] = quarter_bits(1 / sum(1 for cp in range(0x10000) if klass(cp) == SIGN))
cost = {cp: c for cp, c in cost.items() if klass(cp) != SIGN}
unseen[HAN] = quarter_bits((1 - TRADITIONAL_SHARE) / (total[HAN] + repertoire[HAN]))
# Only what differs from its class's unseen cost is written.
cost = {cp: c for cp, c in cost.items() if cp <= 0xFFFF and c != unseen[klass(cp)]}

print('// Generated by tools/charmodel.py from jieba\'s dict.txt, Unihan and the')
print('// zh_CN manual pages; do not edit. Costs in quarter bits.')
print('// Classes: %s.' % ', '.join(CLASSES))
print('// Cost of a class after the class before it (row: before, column: after;')
print('// the last row: at the start of a line), smoothed towards how often each')
print('// class occurs (Witten-Bell).')
print('constexpr uchar kClassAfter[%d][%d] = {' % (len(transitions), len(CLASSES)))
occurs = [sum(row[b] for row in transitions) for b in range(len(CLASSES))]
p_class = [(n + 1) / (sum(occurs) + len(CLASSES)) for n in occurs]
for a, row in enumerate(transitions):
    n, kinds = sum(row), sum(1 for c in row if c)
    after = [(c + kinds * p_class[b]) / (n + kinds) if n else p_class[b] for b, c in enumerate(row)]
    print('    {%s}, // %s' % (', '.join(str(quarter_bits(p)) for p in after),
                              'after ' + CLASSES[a] if a < len(CLASSES) else 'at the start of a line'))
print('};')
print('// Cost of a character the sources never show, by class (every sign).')
print('constexpr uchar kUnseenCost[%d] = {%s};' % (len(CLASSES), ', '.join(map(str, unseen))))
print('// Characters of the first plane by cost, the rest costing their class\'s unseen cost.')
print('struct CostedChars\n{\n    uchar cost;\n    const char16_t *chars;\n};')
print('constexpr CostedChars kCharCosts[] = {')
for c in sorted(set(cost.values())):
    cps = sorted(cp for cp in cost if cost[cp] == c)
    tokens = ['\\' + chr(cp) if cp in (0x22, 0x5C)
              else {9: '\\t', 10: '\\n', 13: '\\r'}[cp] if cp in (9, 10, 13)
              else chr(cp) if cp < 0x80 or unicodedata.category(chr(cp))[0] not in 'CZM'
              else '\\u%04X' % cp for cp in cps]
    print('    {%d,' % c)
    for i in range(0, len(tokens), 200):
        print('     u"%s"' % ''.join(tokens[i:i + 200]))
    print('    },')
print('};')
