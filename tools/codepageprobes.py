#!/usr/bin/env python3
"""Writes tests/records/fixtures/codepageprobes.txt: short CSV files, by
class, whose wrong readings by the encoding vote in UTF-8 without a mark,
in GBK and in GB18030 a test holds per class (EncodingVote.ProbeClassesHeld).

Each line is one file: class, where it may be encoded ("*" every encoding
that can hold it, "u" UTF-8 only, "g" code page 936 only), and the text,
"|" between its records and "\\0" for a NUL byte. The files come with fixed
seeds from the name, address and word generators of Debian's python3-fake-factory (zh_CN, zh_TW,
ja_JP, ko_KR) and from the common level of the 2013 table of general
standard characters (kTGH in Unihan, Debian's unicode-data).
Run: /usr/bin/python3 tools/codepageprobes.py > tests/records/fixtures/codepageprobes.txt
"""
import bz2
import random
import unicodedata

from faker import Faker
from faker.providers.lorem.zh_CN import Provider as WordsCN
from faker.providers.lorem.zh_TW import Provider as WordsTW

UNIHAN = '/usr/share/unicode/Unihan_OtherMappings.txt.bz2'
common = []
for line in bz2.open(UNIHAN, 'rt', encoding='utf-8'):
    if line.startswith('U+') and '\tkTGH\t' in line:
        cp, _, value = line.rstrip('\n').split('\t')
        if int(value.split()[0].split(':')[1]) <= 3500:
            common.append(chr(int(cp[2:], 16)))
common.sort()

rng = random.Random(38)
out = []


def faker(locale, seed):
    f = Faker(locale)
    f.seed_instance(seed) if hasattr(f, 'seed_instance') else f.seed(seed)
    return f


def phone():
    return '1' + rng.choice('3578') + ''.join(rng.choice('0123456789') for _ in range(9))


def put(cls, text, where='*'):
    out.append('%s\t%s\t%s' % (cls, where, text))


def files(cls, make, count, sizes=(1, 2, 3, 5)):
    for i in range(count):
        put(cls, '|'.join(make() for _ in range(sizes[i % len(sizes)])))


cn, tw = faker('zh_CN', 1), faker('zh_TW', 2)
ja, ko = faker('ja_JP', 3), faker('ko_KR', 4)
words_cn, words_tw = list(WordsCN.word_list), list(WordsTW.word_list)
letters = 'ABCDEFGHIJKLMNOPQRSTUVWXYZ'

files('names', lambda: '%s,%s' % (cn.name(), phone()), 400)
files('traditional names', lambda: '%s,%s' % (tw.name(), phone()), 300)
# One Chinese character glued to a Latin letter or two, as receivers' nicknames.
nick = lambda: rng.choice(common + list('小阿老大') * 40) + ''.join(
    rng.choice(letters + letters.lower()) for _ in range(rng.choice((1, 1, 1, 2))))
files('latin nicknames', nick, 600, (1, 1, 3, 5))
files('latin nicknames', lambda: '%s,%s,JD%d' % (nick(), phone(), rng.randrange(10**11, 10**12)), 200)
building = lambda: rng.choice(('%s座%d', '%s栋%d', '%s区%d号', '%s幢%d室')) % (
    rng.choice(letters[:8]), rng.randrange(101, 3000))
files('addresses', lambda: '%s,%s,"%s%s"' % (cn.name(), phone(), cn.address().split(' ')[0], building()), 300)
brands = ['iPhone%d' % n for n in range(11, 17)] + ['Type-C', 'USB', 'HDMI', 'LED', 'A4', 'M8', 'iPad',
                                                    'MacBook', 'Pro', 'Max', 'Wi-Fi', 'PVC', 'PP']
goods = ['手机壳', '数据线', '充电器', '钢化膜', '耳机', '螺丝', '纸', '灯泡', '支架', '保温杯', '袜子', 'T恤']
colours = ['红色', '黑色', '白色', '蓝色', '灰色', '粉色', '绿色']
product = lambda: rng.choice((
    lambda: rng.choice(brands) + rng.choice(goods),
    lambda: rng.choice(colours) + rng.choice(('S', 'M', 'L', 'XL', 'XXL', '3XL')),
    lambda: '%s %s%d件' % (rng.choice(brands), rng.choice(goods), rng.randrange(1, 20)),
    lambda: '%s%s%dml' % (rng.choice(words_cn), rng.choice(goods), rng.randrange(100, 900)),
    lambda: 'SKU%d,%s%s,%d' % (rng.randrange(1000, 9999), rng.choice(colours), rng.choice(goods),
                               rng.randrange(1, 99))))()
files('glued products', product, 400)
files('traditional words', lambda: rng.choice(words_tw), 300, (1, 1, 2))
files('traditional words', lambda: tw.address(), 100, (1,))
signs = '¥£€°±×÷§©®µΩ½¼‰'
files('signs beside numbers', lambda: rng.choice((
    lambda: '%s%d' % (rng.choice('¥£€§'), rng.randrange(1, 999)),
    lambda: '%d%s' % (rng.randrange(1, 999), rng.choice('°µΩ‰×')),
    lambda: '±0.%dmm' % rng.randrange(1, 9),
    lambda: 'SKU%d,%s' % (rng.randrange(100, 999), rng.choice(signs))))(), 300, (1, 1, 2))
for c in rng.sample(common, 600):
    n = rng.randrange(1, 99)
    put('one character beside a number', rng.choice(('%d%s' % (n, c), '%s%d' % (c, n), '%d %s' % (n, c),
                                                      'SF%d,%d%s' % (n * 10**9, n, c))))
for c in rng.sample(common, 800):
    put('single characters', c)
files('kana and hangul beside chinese', lambda: rng.choice((
    lambda: '%s,%s' % (ja.name(), rng.choice(words_cn)),
    lambda: '%s,%s' % (ko.name(), cn.name()),
    lambda: '%sの%s' % (rng.choice(words_cn), rng.choice(goods))))(), 200)
emoji = '😀😂🎁🍎🌸👍❤🔥⭐📦'
files('emoji', lambda: '%s%s,%s' % (cn.name(), rng.choice(emoji), phone()), 200)
fullwidth = lambda s: ''.join(chr(ord(ch) + 0xFEE0) if '!' <= ch <= '~' else ch for ch in s)
files('full-width forms', lambda: '%s,%s（%s）' % (cn.name(), fullwidth(rng.choice(brands)),
                                                 fullwidth(str(rng.randrange(1, 99)))), 200)
four = '𠮷𡋾𤭢𠀋𪚥𬌗𫚉𬭚𬶍𩽾𦰡𡘙'
files('four-byte names', lambda: '%s%s,%s' % (cn.last_name(), rng.choice(four), phone()), 200)
# Code page 936 characters whose bytes read as UTF-8 are a sign or a unit
# letter, beside a number.
for lead in range(0xC2, 0xE0):
    for trail in range(0xA1, 0xC0):
        twin = bytes((lead, trail)).decode('utf-8')
        if unicodedata.category(twin)[0] == 'S' or unicodedata.category(twin) == 'No' or twin in 'µΩμ':
            c = bytes((lead, trail)).decode('gbk')
            put('sign twins beside a number', '%d%s' % (rng.randrange(1, 99), c), 'g')
            put('sign twins beside a number', 'SF%d,%d%s' % (rng.randrange(10**9, 10**10), rng.randrange(1, 99), c), 'g')
# Files that were read wrong.
for text in ['小K', '阿B', '小A', '张K', '阿B,13771670358,JD100200300400', '漣漣', '貲財', '顳顬']:
    put('named files', text, 'u')
# "\\0" stands for a NUL byte: a file cut short and filled with zeros.
for text in ['鐘擺', '閻沖', '5楼', '13812345678,鏈獅', '13812345678,鏈獅\\0\\0\\0\\0']:
    put('named files', text, 'g')

print('\n'.join(out))
