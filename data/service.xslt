<?xml version="1.0" encoding="UTF-8"?>
<!--
  The program's own service stylesheet. The viewer replaces the placeholder
  below with the name of the requested action before the run. For "MakeTOC"
  it returns the contents of a book: one "listitem" per chapter and section,
  nested as in the book, its "id" naming the part. Every other action gets an
  empty menu.
  The file is read with its line breaks removed: keep every expression on one
  line, and indent continuation lines.
-->
<xsl:stylesheet version="1.0"
    xmlns:xsl="http://www.w3.org/1999/XSL/Transform">

  <xsl:output method="xml" encoding="UTF-8" indent="no"/>

  <xsl:variable name="action" select="'<%ActionID%>'"/>

  <xsl:template match="/">
    <xsl:choose>
      <xsl:when test="$action = 'MakeTOC'">
        <menu>
          <xsl:apply-templates select="*" mode="toc-root"/>
        </menu>
      </xsl:when>
      <xsl:otherwise>
        <menu/>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- The book itself, when it has an id, is the first entry: its title page. -->
  <xsl:template match="*" mode="toc-root">
    <xsl:if test="@id">
      <listitem id="{@id}"><xsl:value-of select="normalize-space(title)"/></listitem>
    </xsl:if>
    <xsl:apply-templates select="chapter" mode="toc"/>
  </xsl:template>

  <!-- Numbers are built from position() and passed down, so the walk stays
       linear however many sections a chapter holds. -->
  <xsl:template match="chapter|section" mode="toc">
    <xsl:param name="prefix" select="''"/>
    <xsl:variable name="number" select="concat($prefix, position(), '.')"/>
    <listitem id="{@id}">
      <xsl:value-of select="concat($number, ' ', normalize-space(title))"/>
      <xsl:apply-templates select="section" mode="toc">
        <xsl:with-param name="prefix" select="$number"/>
      </xsl:apply-templates>
    </listitem>
  </xsl:template>

</xsl:stylesheet>
