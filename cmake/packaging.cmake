# The Debian package: `cpack -G DEB` in a Release build folder makes
# vellumtone_<version>_amd64.deb. The libraries the programs link come from
# dpkg-shlibdeps; the tools and data they only run or read are named here.
set(CPACK_PACKAGE_NAME vellumtone)
set(CPACK_PACKAGE_VENDOR Quillmark)
set(CPACK_PACKAGE_CONTACT "Quillmark <${VT_SUPPORT_EMAIL}>")
if(VT_REPOSITORY_URL)
    set(CPACK_PACKAGE_HOMEPAGE_URL ${VT_REPOSITORY_URL})
endif()
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "audiobook maker: EPUB e-books to MP3 by text-to-speech")
set(CPACK_PACKAGE_DESCRIPTION
    "Vellumtone reads EPUB e-books aloud with text-to-speech and saves each one as a
single MP3 audio book. The window takes books by file, folder or drag-and-drop;
vellumtone-cli runs the same conversion without a window, for scripts and
whole libraries.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# calibre's ebook-convert and lame are run as programs, the voices are the
# engine's data, the window needs a display plug-in of Qt and "Arial" is
# Liberation Sans here; MeCab reads Japanese with its IPA dictionary. The
# speech engine's library is loaded at run time, so dpkg-shlibdeps cannot
# see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "calibre, lame, libespeak-ng1, espeak-ng-data, mecab-ipadic-utf8, qt6-qpa-plugins, fonts-liberation")
# Opening folders and web pages goes through the desktop's opener.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
