# make(): a small EPUB 3 book of chapters, one page each, with its
# navigation document; the stored mimetype first, fixed dates, so the same
# text gives the same file.
import zipfile, sys, uuid, html
def page(lang, title, body):
    return f'''<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE html>
<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops" xml:lang="{lang}" lang="{lang}">
<head><meta charset="UTF-8"/><title>{html.escape(title)}</title></head>
<body>
{body}
</body>
</html>
'''
def make(path, ident, lang, title, author, date, desc, chapters):
    items=[]; spine=[]; navli=[]
    files={}
    for i,(ctitle, paras) in enumerate(chapters,1):
        body=f'<section epub:type="chapter" id="c{i}"><h1>{html.escape(ctitle)}</h1>\n'+'\n'.join(f'<p>{p}</p>' for p in paras)+'\n</section>'
        files[f'EPUB/c{i}.xhtml']=page(lang, ctitle, body)
        items.append(f'<item id="c{i}" href="c{i}.xhtml" media-type="application/xhtml+xml"/>')
        spine.append(f'<itemref idref="c{i}"/>')
        navli.append(f'<li><a href="c{i}.xhtml">{html.escape(ctitle)}</a></li>')
    nav=page(lang, title, f'<nav epub:type="toc" id="toc"><h1>{html.escape(title)}</h1><ol>'+''.join(navli)+'</ol></nav>')
    files['EPUB/nav.xhtml']=nav
    opf=f'''<?xml version="1.0" encoding="UTF-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="3.0" unique-identifier="uid" xml:lang="{lang}">
<metadata xmlns:dc="http://purl.org/dc/elements/1.1/">
<dc:identifier id="uid">{ident}</dc:identifier>
<dc:title>{html.escape(title)}</dc:title>
<dc:creator>{html.escape(author)}</dc:creator>
<dc:language>{lang}</dc:language>
<dc:date>{date}</dc:date>
<dc:description>{html.escape(desc)}</dc:description>
<dc:rights>Public domain</dc:rights>
<meta property="dcterms:modified">2024-01-01T00:00:00Z</meta>
</metadata>
<manifest>
<item id="nav" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/>
{chr(10).join(items)}
</manifest>
<spine>
{chr(10).join(spine)}
</spine>
</package>
'''
    files['EPUB/package.opf']=opf
    container='''<?xml version="1.0" encoding="UTF-8"?>
<container xmlns="urn:oasis:names:tc:opendocument:xmlns:container" version="1.0">
<rootfiles><rootfile full-path="EPUB/package.opf" media-type="application/oebps-package+xml"/></rootfiles>
</container>
'''
    with zipfile.ZipFile(path,'w') as z:
        zi=zipfile.ZipInfo('mimetype', date_time=(2024,1,1,0,0,0)); z.writestr(zi,'application/epub+zip',compress_type=zipfile.ZIP_STORED)
        for name,data in [('META-INF/container.xml',container)]+sorted(files.items()):
            zi=zipfile.ZipInfo(name, date_time=(2024,1,1,0,0,0)); zi.compress_type=zipfile.ZIP_DEFLATED
            z.writestr(zi,data)
