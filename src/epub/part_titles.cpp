#include "epub/part_titles.h"

#include <QHash>
#include <QStringList>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

struct Titles {
    PartKind kind;
    QStringList titles;
};

// English, French, German, Spanish, Italian, Hebrew, Arabic, Japanese,
// Chinese and Russian, in lower case.
const QList<Titles>& knownTitles()
{
    static const QList<Titles> titles{
        {PartKind::Cover,
         {u"cover"_s, u"couverture"_s, u"umschlag"_s, u"buchumschlag"_s, u"cubierta"_s,
          u"portada"_s, u"copertina"_s, u"כריכה"_s, u"الغلاف"_s, u"غلاف"_s, u"表紙"_s, u"封面"_s,
          u"обложка"_s}},
        {PartKind::TitlePage,
         {u"title page"_s, u"titlepage"_s, u"half title"_s, u"page de titre"_s, u"titelseite"_s,
          u"titelblatt"_s, u"portadilla"_s, u"página de título"_s, u"frontespizio"_s, u"שער"_s,
          u"עמוד שער"_s, u"صفحة العنوان"_s, u"扉"_s, u"扉页"_s, u"扉頁"_s, u"书名页"_s,
          u"титульный лист"_s}},
        {PartKind::Contents,
         {u"contents"_s,
          u"table of contents"_s,
          u"toc"_s,
          u"sommaire"_s,
          u"table des matières"_s,
          u"matières"_s,
          u"inhalt"_s,
          u"inhaltsverzeichnis"_s,
          u"inhaltsübersicht"_s,
          u"índice"_s,
          u"contenido"_s,
          u"contenidos"_s,
          u"tabla de contenido"_s,
          u"tabla de contenidos"_s,
          u"índice general"_s,
          u"indice"_s,
          u"sommario"_s,
          u"indice generale"_s,
          u"contenuti"_s,
          u"תוכן העניינים"_s,
          u"תוכן עניינים"_s,
          u"תוכן"_s,
          u"المحتويات"_s,
          u"جدول المحتويات"_s,
          u"فهرس المحتويات"_s,
          u"الفهرس"_s,
          u"فهرس"_s,
          u"目次"_s,
          u"目录"_s,
          u"目錄"_s,
          u"содержание"_s,
          u"оглавление"_s}},
        {PartKind::Copyright,
         {u"copyright"_s,
          u"copyright page"_s,
          u"copyright notice"_s,
          u"uncopyright"_s,
          u"legal notice"_s,
          u"droits d'auteur"_s,
          u"mentions légales"_s,
          u"urheberrecht"_s,
          u"rechtliches"_s,
          u"derechos de autor"_s,
          u"diritti d'autore"_s,
          u"זכויות יוצרים"_s,
          u"כל הזכויות שמורות"_s,
          u"حقوق النشر"_s,
          u"حقوق الطبع"_s,
          u"حقوق الطبع والنشر"_s,
          u"حقوق المؤلف"_s,
          u"著作権"_s,
          u"著作権表示"_s,
          u"権利表記"_s,
          u"版权"_s,
          u"版權"_s,
          u"版权页"_s,
          u"版權頁"_s,
          u"版权信息"_s,
          u"авторские права"_s}},
        {PartKind::Dedication,
         {u"dedication"_s, u"dédicace"_s, u"widmung"_s, u"dedicatoria"_s, u"dedica"_s, u"הקדשה"_s,
          u"إهداء"_s, u"الإهداء"_s, u"献辞"_s, u"献词"_s, u"獻詞"_s, u"посвящение"_s}},
        {PartKind::Index,
         {u"index"_s,
          u"general index"_s,
          u"subject index"_s,
          u"index of names"_s,
          u"index des noms"_s,
          u"index général"_s,
          u"register"_s,
          u"stichwortverzeichnis"_s,
          u"sachregister"_s,
          u"namensregister"_s,
          u"personenregister"_s,
          u"índice alfabético"_s,
          u"índice analítico"_s,
          u"índice onomástico"_s,
          u"indice analitico"_s,
          u"indice dei nomi"_s,
          u"indice alfabetico"_s,
          u"מפתח"_s,
          u"מפתח עניינים"_s,
          u"מפתח שמות"_s,
          u"אינדקס"_s,
          u"الكشاف"_s,
          u"كشاف"_s,
          u"فهرس الأعلام"_s,
          u"索引"_s,
          u"указатель"_s,
          u"предметный указатель"_s,
          u"именной указатель"_s,
          u"алфавитный указатель"_s}},
        {PartKind::Bibliography,
         {u"bibliography"_s,
          u"select bibliography"_s,
          u"works cited"_s,
          u"references"_s,
          u"bibliographie"_s,
          u"références"_s,
          u"literaturverzeichnis"_s,
          u"bibliografie"_s,
          u"literatur"_s,
          u"quellenverzeichnis"_s,
          u"bibliografía"_s,
          u"referencias"_s,
          u"obras citadas"_s,
          u"bibliografia"_s,
          u"riferimenti bibliografici"_s,
          u"ביבליוגרפיה"_s,
          u"רשימת מקורות"_s,
          u"المراجع"_s,
          u"قائمة المراجع"_s,
          u"المصادر والمراجع"_s,
          u"参考文献"_s,
          u"參考文獻"_s,
          u"библиография"_s,
          u"список литературы"_s,
          u"литература"_s}},
        {PartKind::Endnotes,
         {u"endnotes"_s, u"notes"_s,        u"footnotes"_s,  u"notes de fin"_s,  u"anmerkungen"_s,
          u"endnoten"_s, u"fußnoten"_s,     u"notas"_s,      u"notas finales"_s, u"note"_s,
          u"הערות"_s,    u"הערות שוליים"_s, u"الهوامش"_s,    u"الحواشي"_s,       u"注"_s,
          u"注釈"_s,     u"脚注"_s,         u"原注"_s,       u"訳注"_s,          u"注释"_s,
          u"註釋"_s,     u"尾注"_s,         u"примечания"_s, u"сноски"_s}},
        {PartKind::Colophon,
         {u"colophon"_s, u"achevé d'imprimer"_s, u"kolophon"_s, u"colofón"_s, u"奥付"_s,
          u"колофон"_s}},
        {PartKind::Imprint, {u"imprint"_s, u"impressum"_s, u"выходные данные"_s}},
        {PartKind::Illustrations,
         {u"list of illustrations"_s,
          u"list of figures"_s,
          u"table des illustrations"_s,
          u"liste des illustrations"_s,
          u"liste des figures"_s,
          u"table des figures"_s,
          u"abbildungsverzeichnis"_s,
          u"bildverzeichnis"_s,
          u"índice de ilustraciones"_s,
          u"índice de figuras"_s,
          u"lista de figuras"_s,
          u"lista de ilustraciones"_s,
          u"indice delle figure"_s,
          u"elenco delle figure"_s,
          u"indice delle illustrazioni"_s,
          u"elenco delle illustrazioni"_s,
          u"רשימת איורים"_s,
          u"רשימת תרשימים"_s,
          u"قائمة الأشكال"_s,
          u"قائمة الصور"_s,
          u"قائمة الرسوم"_s,
          u"図表一覧"_s,
          u"図一覧"_s,
          u"挿絵一覧"_s,
          u"图表目录"_s,
          u"插图目录"_s,
          u"圖表目錄"_s,
          u"插圖目錄"_s,
          u"список иллюстраций"_s,
          u"список рисунков"_s}},
        {PartKind::Tables,
         {u"list of tables"_s, u"liste des tableaux"_s, u"table des tableaux"_s,
          u"tabellenverzeichnis"_s, u"índice de tablas"_s, u"lista de tablas"_s,
          u"índice de cuadros"_s, u"indice delle tabelle"_s, u"elenco delle tabelle"_s,
          u"רשימת טבלאות"_s, u"قائمة الجداول"_s, u"表一覧"_s, u"表格目录"_s, u"表目录"_s,
          u"список таблиц"_s}},
        {PartKind::Lists,
         {u"abbreviations"_s,
          u"notation"_s,
          u"theorems"_s,
          u"symbols"_s,
          u"abréviations"_s,
          u"notations"_s,
          u"abkürzungsverzeichnis"_s,
          u"abkürzungen"_s,
          u"symbolverzeichnis"_s,
          u"abreviaturas"_s,
          u"notación"_s,
          u"abbreviazioni"_s,
          u"notazione"_s,
          u"קיצורים"_s,
          u"المختصرات"_s,
          u"缩略语"_s,
          u"缩略语表"_s,
          u"符号表"_s,
          u"符号说明"_s,
          u"сокращения"_s,
          u"условные обозначения"_s}},
    };
    return titles;
}

// Titles that begin or end so are lists of one kind or another.
const QStringList kListPrefixes{u"list of "_s,  u"liste des "_s, u"liste de "_s,
                                u"lista de "_s, u"elenco "_s,    u"список "_s,
                                u"רשימת "_s,    u"قائمة "_s,     u"verzeichnis der "_s};
const QStringList kListSuffixes{u"一覧"_s, u"目录"_s, u"目錄"_s, u"verzeichnis"_s};

} // namespace

std::optional<PartKind> KindOfTitle(const QString& title)
{
    static const QHash<QString, PartKind> kinds = [] {
        QHash<QString, PartKind> all;
        for (const Titles& t : knownTitles())
            for (const QString& name : t.titles)
                all.insert(name, t.kind);
        return all;
    }();
    // "© Copyright", "1. Bibliography", "Index.": the words alone.
    QString key = title.toLower();
    key.replace(u'\u2019', u'\'');
    const auto letter = [](QChar c) { return c.isLetter() || c.isMark(); };
    const qsizetype first = std::find_if(key.cbegin(), key.cend(), letter) - key.cbegin();
    while (key.size() > first && !letter(key.back()))
        key.chop(1);
    key = key.mid(first).simplified();
    if (kinds.contains(key))
        return kinds.value(key);
    if (key.endsWith(u"索引"_s))
        return PartKind::Index;
    for (const QString& prefix : kListPrefixes)
        if (key.startsWith(prefix))
            return PartKind::Lists;
    for (const QString& suffix : kListSuffixes)
        if (key.size() > suffix.size() && key.endsWith(suffix))
            return PartKind::Lists;
    return std::nullopt;
}

} // namespace vt
