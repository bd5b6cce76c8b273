<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="part">
    <xsl:copy-of select="node()"/>
  </xsl:template>
  <xsl:template match="part[@id = 'warns']">
    <xsl:message terminate="no">Раздел ещё не дописан</xsl:message>
    <p>Скоро.</p>
  </xsl:template>
  <xsl:template match="part[@id = 'fails']">
    <xsl:message terminate="yes">Раздел нельзя построить</xsl:message>
  </xsl:template>
</xsl:stylesheet>
