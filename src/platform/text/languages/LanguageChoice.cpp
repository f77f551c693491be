#include "platform/text/languages/LanguageChoice.h"

#include <QFileInfo>
#include <cstring>

namespace platform::syntax {

namespace {

struct Extensions {
    LanguageId language;
    const char* list; ///< without dots, separated by spaces, each between spaces
};

// The open dialog's kinds of file; ".inc" is PHP's, ".js" JavaScript's (listed with Java).
const Extensions kExtensions[] = {
    {LanguageId::Asp, " asp aspx asa asax "},
    {LanguageId::Assembly, " asm a86 ash asi "},
    {LanguageId::Basic, " bas frm cls vb vbs b bi qbs script "},
    {LanguageId::Batch, " bat cmd "},
    {LanguageId::Cpp, " cpp c cc cxx c++ c__ h hh hxx h++ chh hpp h__ "},
    {LanguageId::CSharp, " cs "},
    {LanguageId::Cobol, " cob cbl cpy "},
    {LanguageId::ColdFusion, " cfc cfm cfml "},
    {LanguageId::Css, " css css1 "},
    {LanguageId::Html, " htm html htmls htx ht3 stm shtml xhtm xhtml "},
    {LanguageId::Ini, " ini "},
    {LanguageId::Java, " java jav j "},
    {LanguageId::JavaScript, " js "},
    {LanguageId::Jsp, " jsp jsp10 "},
    {LanguageId::Latex, " tex ltx "},
    {LanguageId::Makefile, " mak make mk "},
    {LanguageId::Pascal, " p pas pa3 pa4 pa5 "},
    {LanguageId::Perl, " pl perl pm ph plx prl cgi "},
    {LanguageId::Php, " php ph2 php2 ph3 php3 ph4 php4 phl phtm phtml pimg inc "},
    {LanguageId::Python, " py pyw "},
    {LanguageId::Sql, " sql ddl "},
    {LanguageId::Shell, " sh csh cshrc "},
    {LanguageId::Xml, " xml xsd xsl xslt xdr dcd dtd "},
};

} // namespace

LanguageId languageForFileName(const QString& fileName)
{
    const QFileInfo info(fileName);
    const QString base = info.fileName();
    if (base.compare(u"makefile", Qt::CaseInsensitive) == 0 || base == u"GNUmakefile")
        return LanguageId::Makefile;
    if (!base.contains(u'.'))
        return LanguageId::None;
    const QByteArray key = ' ' + info.suffix().toLower().toUtf8() + ' ';
    if (key.size() <= 2)
        return LanguageId::None;
    for (const Extensions& e : kExtensions) {
        if (std::strstr(e.list, key.constData()))
            return e.language;
    }
    return LanguageId::None;
}

LanguageId languageForFirstLine(QStringView line)
{
    line = line.trimmed();
    if (line.startsWith(u"<!DOCTYPE", Qt::CaseInsensitive) || line.startsWith(u"<html", Qt::CaseInsensitive))
        return LanguageId::Html;
    if (line.startsWith(u"<?xml"))
        return LanguageId::Xml;
    if (line.startsWith(u"<?php", Qt::CaseInsensitive))
        return LanguageId::Php;
    if (!line.startsWith(u"#!"))
        return LanguageId::None;
    // "#!/bin/sh", "#!/usr/bin/env python3 -u": the program's name, past env.
    const auto words = line.mid(2).trimmed().split(u' ', Qt::SkipEmptyParts);
    qsizetype k = 0;
    QStringView program;
    while (k < words.size()) {
        program = words[k];
        program = program.mid(program.lastIndexOf(u'/') + 1);
        if (program != u"env" && !program.startsWith(u'-'))
            break;
        ++k;
    }
    if (program == u"sh" || program == u"bash" || program == u"dash" || program == u"ksh" || program == u"zsh")
        return LanguageId::Shell;
    if (program.startsWith(u"python"))
        return LanguageId::Python;
    if (program.startsWith(u"perl"))
        return LanguageId::Perl;
    return LanguageId::None;
}

} // namespace platform::syntax
