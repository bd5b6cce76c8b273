"""What the X11 tests' small books share: a contents of one entry, and writing a file."""
import os

SERVICE = """<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="xml" encoding="UTF-8"/>
<xsl:template match="/"><menu><listitem id="a">Часть A</listitem></menu></xsl:template>
</xsl:stylesheet>
"""


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
