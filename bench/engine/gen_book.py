#!/usr/bin/env python3
"""Writes a large book.xml in the DocBook subset of the shipped book.

Every chapter and section has an id; sections nest two levels deep; the text
mixes Cyrillic and ASCII, lists, tables, code and links between parts.
"""
import argparse
import random

WORDS = ("книга страница оглавление раздел глава текст ссылка таблица шрифт "
         "преобразование стиль шаблон переменная каталог файл данные viewer "
         "XML XSLT DocBook para section chapter").split()


def sentence(rng, n):
    return " ".join(rng.choice(WORDS) for _ in range(n)).capitalize() + "."


def para(rng, ids):
    parts = [sentence(rng, 12)]
    if rng.random() < 0.3:
        parts.append(f"<emphasis>{sentence(rng, 3)}</emphasis>")
    if ids and rng.random() < 0.3:
        target = rng.choice(ids)
        parts.append(f'См. <link linkend="{target}">раздел {target}</link>.')
    if rng.random() < 0.1:
        parts.append('<ulink url="https://example.org/docs">документация</ulink>')
    parts.append(sentence(rng, 15))
    return "<para>" + " ".join(parts) + "</para>"


def block(rng, ids, index):
    kind = index % 5
    if kind == 1:
        items = "".join(f"<listitem><para>{sentence(rng, 6)}</para></listitem>" for _ in range(4))
        return f"<itemizedlist>{items}</itemizedlist>"
    if kind == 2:
        items = "".join(f"<listitem><para>{sentence(rng, 6)}</para></listitem>" for _ in range(3))
        return f"<orderedlist>{items}</orderedlist>"
    if kind == 3:
        rows = "".join(f"<row><entry>{rng.choice(WORDS)}</entry><entry>{sentence(rng, 4)}</entry></row>"
                       for _ in range(3))
        return (f"<table><title>{sentence(rng, 3)}</title><tgroup cols=\"2\">"
                f"<thead><row><entry>Ключ</entry><entry>Значение</entry></row></thead>"
                f"<tbody>{rows}</tbody></tgroup></table>")
    if kind == 4:
        return ("<programlisting>[BasicParams]\nRootPath=..\\\nTOCisExpanded=0\n"
                "&lt;xsl:value-of select=\"title\"/&gt;</programlisting>")
    return para(rng, ids)


def section(rng, out, ident, depth, children, ids, blocks):
    out.append(f'<section id="{ident}"><title>{sentence(rng, 4)}</title>')
    for i in range(blocks):
        out.append(block(rng, ids, i))
    if depth < 2:
        for k in range(1, children + 1):
            section(rng, out, f"{ident}_{k}", depth + 1, children, ids, blocks)
    out.append("</section>")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("output")
    parser.add_argument("--chapters", type=int, default=150)
    parser.add_argument("--sections", type=int, default=8, help="sections per chapter and subsections per section")
    parser.add_argument("--blocks", type=int, default=6, help="paragraphs and other blocks per section")
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()

    rng = random.Random(args.seed)
    ids = [f"ch{c}" for c in range(1, args.chapters + 1)]
    ids += [f"ch{c}_s{s}" for c in range(1, args.chapters + 1) for s in range(1, args.sections + 1)]
    out = ['<?xml version="1.0" encoding="UTF-8"?>', '<book id="book"><title>Большая книга</title>']
    for c in range(1, args.chapters + 1):
        out.append(f'<chapter id="ch{c}"><title>Глава {c}. {sentence(rng, 3)}</title>')
        out.append(para(rng, ids))
        for s in range(1, args.sections + 1):
            section(rng, out, f"ch{c}_s{s}", 1, args.sections, ids, args.blocks)
        out.append("</chapter>")
    out.append("</book>")
    with open(args.output, "w", encoding="utf-8") as f:
        f.write("\n".join(out))
        f.write("\n")


if __name__ == "__main__":
    main()
