# What shapes the Windows SDK of scripts/windows-sdk.sh, and nothing else:
# the Debian source packages it is built from, each at its version, and the
# options each component is built with. The SDK's key is a hash of this file,
# so an edit here makes a new SDK, and an edit of windows-sdk.sh keeps the
# packed one. Raise sdk_revision when a change of windows-sdk.sh's build
# steps changes what they make.
# shellcheck shell=bash disable=SC2034

sdk_revision=1

sources=(
  qtbase-opensource-src=5.15.8+dfsg-11+deb12u3
  sqlite3=3.40.1-2+deb12u2
  openssl=3.0.20-1~deb12u2
  sqlcipher=3.4.1-2
  pugixml=1.13-0.2
  gflags=2.2.2-2
  google-glog=0.6.0-2
)

cmake_options=(-DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF)
gflags_options=(-DBUILD_gflags_LIB=ON -DBUILD_gflags_nothreads_LIB=OFF -DGFLAGS_NAMESPACE=gflags)
glog_options=(-DWITH_GFLAGS=ON -DGFLAGS_NOTHREADS=OFF -DGFLAGS_SHARED=OFF -DWITH_GTEST=OFF -DWITH_UNWIND=OFF)

# Both SQLite builds have the column metadata that the Qt drivers ask for.
sqlite_cflags=(-O2 -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_COLUMN_METADATA)
sqlcipher_cflags=(-DSQLITE_HAS_CODEC -DSQLCIPHER_CRYPTO_OPENSSL -DSQLITE_TEMP_STORE=2)

openssl_options=(mingw64 no-shared no-tests no-module no-legacy no-engine no-dso no-ui-console)

qt_configure_options=(
  -xplatform win32-g++ -release -opensource -confirm-license -nomake examples -nomake tests
  -no-compile-examples -no-opengl -no-dbus -no-icu -no-openssl
  -no-feature-vulkan -qt-zlib -qt-libpng -qt-libjpeg -qt-pcre -qt-freetype
  -qt-harfbuzz -no-feature-sql-odbc -no-sql-psql -no-sql-mysql -no-sql-ibase
  -no-sql-db2 -no-sql-oci -no-sql-tds -sql-sqlite -system-sqlite -no-feature-tabletevent
)
qt_modules=(corelib gui widgets sql testlib platformsupport winmain)
qt_plugins=(platforms/windows platforms/minimal platforms/offscreen sqldrivers/sqlite
            styles/windowsvista imageformats/ico)
