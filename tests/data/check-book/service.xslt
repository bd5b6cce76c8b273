<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="xml" encoding="UTF-8"/>
  <xsl:template match="/">
    <menu>
      <xsl:for-each select="book/part">
        <listitem id="{@id}"><xsl:value-of select="@title"/></listitem>
      </xsl:for-each>
    </menu>
  </xsl:template>
</xsl:stylesheet>
