# `cpack -G DEB` in a build folder makes orelia_X.Y.Z_amd64.deb from what `cmake --install` puts in place.
set(CPACK_PACKAGE_NAME orelia)
set(CPACK_PACKAGE_VENDOR "${PROJECT_NAME}")
set(CPACK_PACKAGE_CONTACT "Orelia <support@orelia.ru>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
# CPack puts the summary first as the synopsis; this is the long description below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Orelia — рабочее место закупщика запчастей автосервиса: по одному OEM-номеру
или артикулу она спрашивает сразу всех ваших поставщиков (AutoEuro,
Autopiter, Автолига), сводит их предложения в одну таблицу, отбрасывает
предложения не той детали и показывает цены с наценкой, сроки доставки и риск
отказа. Список артикулов из текста или книги Excel и LibreOffice проценивается
целиком.

Пакет содержит программу orelia и её вариант для командной строки orelia-cli.
Демо-режим (--demo) работает без учётных записей у поставщиков.")
# Libraries come from the binaries (dpkg-shlibdeps); Qt's plugins are loaded at run time, so
# they are named here: the platform plugins and the SVG support for the window icon.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
# Passwords and API keys need a Secret Service; the demo mode does not.
# Qt's own texts in Russian; without them they stay English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnome-keyring, qt6-translations-l10n")

include(CPack)
