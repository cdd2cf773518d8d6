# Makes the site folder a web host serves, and nothing else: the page, its
# script and style, the game's .js, .wasm and .data, the manifest, the
# service worker and the icons, with a .gz beside each large file for
# servers that send precompressed files. Run as a script:
#   cmake -DPAGE_DIR=... -DBUILD_DIR=... -DICON_DIR=... -DSITE_DIR=... -P WebSite.cmake
foreach(variable PAGE_DIR BUILD_DIR ICON_DIR)
  if(NOT IS_DIRECTORY "${${variable}}")
    message(FATAL_ERROR "${variable} must name a directory")
  endif()
endforeach()
if(SITE_DIR STREQUAL "")
  message(FATAL_ERROR "SITE_DIR must name the site folder to make")
endif()

set(page_files index.html page.js page.css manifest.webmanifest)
set(build_files quorvelindaxtor.js quorvelindaxtor.wasm quorvelindaxtor.data)
set(icon_files favicon.png icon-192.png icon-512.png)
# Files at least this long get a gzipped copy where it is at least 5%
# smaller; smaller files gain nothing.
set(gzip_from_bytes 1024)

file(REMOVE_RECURSE "${SITE_DIR}")
file(MAKE_DIRECTORY "${SITE_DIR}")
set(site_files)
foreach(pair IN ITEMS PAGE_DIR:page_files BUILD_DIR:build_files ICON_DIR:icon_files)
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 from)
  list(GET pair 1 names)
  foreach(name ${${names}})
    if(NOT EXISTS "${${from}}/${name}")
      message(FATAL_ERROR "the site needs ${${from}}/${name}")
    endif()
    file(COPY_FILE "${${from}}/${name}" "${SITE_DIR}/${name}")
    list(APPEND site_files ${name})
  endforeach()
endforeach()

# The cache's name is a digest of every file's name and contents, so any
# change to any of them names a new cache.
list(SORT site_files)
set(digests "")
foreach(name ${site_files})
  file(SHA256 "${SITE_DIR}/${name}" digest)
  string(APPEND digests "${name} ${digest}\n")
endforeach()
string(SHA256 site_digest "${digests}")
string(SUBSTRING "${site_digest}" 0 16 site_digest)

set(list_text "")
foreach(name ${site_files})
  string(APPEND list_text "    './${name}',\n")
endforeach()
file(READ "${PAGE_DIR}/service_worker.js" worker)
file(WRITE "${SITE_DIR}/sw.js"
  "const kCachePrefix = 'quorvelindaxtor-';\n"
  "const kCacheName = kCachePrefix + '${site_digest}';\n"
  "const kSiteFiles = [\n    './',\n${list_text}];\n${worker}")
list(APPEND site_files sw.js)

find_program(GZIP gzip REQUIRED)
foreach(name ${site_files})
  file(SIZE "${SITE_DIR}/${name}" bytes)
  if(bytes GREATER_EQUAL gzip_from_bytes)
    execute_process(COMMAND ${GZIP} -9 -n -c "${SITE_DIR}/${name}"
      OUTPUT_FILE "${SITE_DIR}/${name}.gz" RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "gzip failed on ${name}")
    endif()
    # Pictures already compressed gain nothing: no copy for them.
    file(SIZE "${SITE_DIR}/${name}.gz" packed)
    math(EXPR worth "${bytes} * 95 / 100")
    if(packed GREATER worth)
      file(REMOVE "${SITE_DIR}/${name}.gz")
    endif()
  endif()
endforeach()
