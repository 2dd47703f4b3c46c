#!/usr/bin/env bash
# Plants faults in the program one at a time and tells which suite catches
# each: the current tests/ and, side by side, the tests/ of an older commit.
#
# Usage: scripts/plant-faults.sh [OLD_REF] [FAULT_NUMBER...]
#   OLD_REF  commit whose tests/ is the suite to compare with (default: none)
#
# Both suites build once in copies of this tree under build-faults/, copied
# with fresh time stamps so that no object built from an earlier fault
# survives (ccache makes that cheap); both must pass before any fault. Per
# fault only the changed file is compiled and the tests relinked, and ctest
# stops at the first failing test. Each fault is a perl substitution that must
# change its file; the file is restored before the next one. The worktree is
# never touched.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
old_ref=${1:-}
shift || true
work="$root/build-faults"
export CCACHE_BASEDIR=/work CCACHE_NOHASHDIR=1 QT_QPA_PLATFORM=offscreen

# file @ perl substitution @ what goes wrong
faults=(
    'geo/utm.cpp@s/latitude >= band.lowerBound/latitude > band.lowerBound/@band boundary belongs to the band below'
    "geo/utm.cpp@s/\\{-40, 'H'\\}/{-40, 'G'}/@wrong band letter"
    'geo/utm.cpp@s/zone\) - 183/zone) - 180/@central meridian off by three degrees'
    'geo/angletext.cpp@s/truncToInteger\(fraction \* 60.0\)/roundHalfAwayFromZero(fraction * 60.0)/@minutes rounded instead of cut'
    "geo/positionname.cpp@s/QString::number\\(position.easting, 'f', 0\\)/QString::number(qint64(position.easting))/@easting cut instead of rounded in names"
    'processing/processphoto.cpp@s/if \(!isNameTaken\(candidate\)\) \{/if (true) {/@photos racing for one name give up'
    'processing/processphoto.cpp@s/if \(!readStamp\(run, metadataRead\) \|\| !place\(run\)\)/if (!readStamp(run, metadataRead) || (place(run) \&\& false))/@failed backup does not stop the photo'
    'files/photocollection.cpp@s/if \(name == QLatin1String\(backupFolderName\)\)/if (false)/@the Backup folder is collected'
    'processing/processphoto.cpp@s/    if \(turned\)\n        markUpright/    if (false)\n        markUpright/@Orientation tag kept after turning'
    'metadata/metadatacopy.cpp@s/image->setIptcData\(metadata.iptc\);//@IPTC dropped on save'
    'files/atomicfile.cpp@s/if \(written == size\)/if (written >= 0)/@short write taken as success'
    'processing/processphoto.cpp@s/writer.setQuality\(quality\);/writer.setQuality(90);/@JPEG quality setting ignored'
    'processing/processphoto.cpp@s/fetch_add\(1\) \+ 1/fetch_add(1)/@progress one behind'
    'processing/photoprocessor.cpp@s/if \(!options.useExif && !options.csvPath.isEmpty\(\)\)/if (options.useExif \&\& !options.csvPath.isEmpty())/@coordinates file never read'
    "metadata/exifreader.cpp@s/isReference\\(\\*latitudeRef, 'S', 's'\\)/isReference(*latitudeRef, 'S', 'S')/@lower-case south reference ignored"
    'metadata/exifwriter.cpp@s/= local.toUTC\(\)/= local/@GPS time stamp in local time'
    'metadata/exifwriter.cpp@s/altitude < 0 \? "1" : "0"/altitude < 0 ? "0" : "1"/@altitude reference inverted'
    'coords/coordinatesfile.cpp@s/\|\| line.contains\(QLatin1String\("zona"\)/\&\& line.contains(QLatin1String("zona")/@header needs both zona and easting'
    "coords/altituderun.cpp@s/QString::number\\(\\*elevation, 'f', 2\\)/QString::number(*elevation, 'f', 1)/@altitude written to one decimal"
    'coords/altituderun.cpp@s/if \(hasAltitude && !job.overwrite\)/if (hasAltitude \&\& job.overwrite)/@overwrite rule inverted'
    'coords/elevationclient.cpp@s/source.service.pauseMs - lastStart.elapsed\(\)/-1/@no pause between requests'
    "coords/samplefile.cpp@s/position.altitude, 'f', 1\\)/position.altitude, 'f', 0)/@sample altitude without its decimal"
    'stamping/overlay.cpp@s/std::max\(10, clampToInt/std::max(1, clampToInt/@no 10-point minimum for text'
    'stamping/compassrose.cpp@s/if \(rotateCompass\)/if (!rotateCompass)/@rose rotation inverted'
    'image/photoloader.cpp@s/QImageReader::setAllocationLimit\(photoAllocationLimitMegabytes\);//@large photos refused'
    'app/window/generaltab.cpp@s/followsCheck\(renameCheck, \{prefixCheck\}\)/followsCheck(renameCheck, {})/@prefix box ignores renaming'
    'app/window/generaltab.cpp@s/options.makeBackup = !outputFolderCheck->isChecked\(\) && /options.makeBackup = /@backups made in output-folder runs'
    'app/window/samplefiletool.cpp@s/folder, path, host.inputs->includesSubfolders\(\),/folder, path, false,/@sample file ignores subfolders'
    'coords/trackplacement.cpp@s/<= maxSeparationMs/>= 0/@points any time apart interpolated'
    'coords/captureinstant.cpp@s/utcMs - qint64\(clockCorrectionSeconds\)/utcMs + qint64(clockCorrectionSeconds)/@clock correction added instead of taken away'
    'coords/captureinstant.cpp@s/if \(parseUtcOffset\(clock.offset, offsetSeconds\)\)/if (false \&\& parseUtcOffset(clock.offset, offsetSeconds))/@photo offset ignored for the camera zone'
    'app/window/trackgroup.cpp@s/options.clockCorrectionSeconds\)\)/options.clockCorrectionSeconds) || true)/@window clock correction dropped'
    'exports/geojsonwriter.cpp@s/coordinates \{record.longitude, record.latitude\}/coordinates {record.latitude, record.longitude}/@GeoJSON latitude first'
    'exports/locationrecord.cpp@s/north \? 32600 : 32700/north ? 32700 : 32600/@EPSG hemisphere inverted'
    'app/commandline/processcommand.cpp@s/&& !outcome.exportFailed\n/\&\& !outcome.exportFailed \&\& false\n/@command line exits 0 after failed photos'
    'app/commandline/processcommand.cpp@s/ && !parser.isSet\(noBackupOption\)//@--sin-backup ignored'
    'app/window/previewrenderer.cpp@s/if \(pending\)/if (false)/@last change of a burst never rendered'
    'coords/elevationclient.cpp@s/attempt < 2/attempt < 1/@failed group not retried'
    'coords/elevationclient.cpp@s/points.size\(\) <= source.maxPoints\(\)/points.size() <= source.maxPoints() + 1/@groups one point over the service limit'
    'processing/photoprocessor.cpp@s/return problem.isEmpty\(\) \? lock.tryLock\(foldersWrittenIn\(folder, options, photos\)\) : problem;/return problem;/@two batches at once on one folder'
    'stamping/losslessstamp.cpp@s/source.max_h_samp_factor \/ info.h_samp_factor,/1,/@stamps laid on chroma blocks as if not subsampled'
    'stamping/losslessstamp.cpp@s/blockTable\(\*source.comp_info\[c\].quant_table\)/blockTable(*source.comp_info[0].quant_table)/@chroma quantised with the luma table'
    'processing/processphoto.cpp@s/if \(kept.orientation != 1\)\n(\s*)run.metadata.exif/if (false)\n$1run.metadata.exif/@Orientation tag lost when blocks are kept'
    'metadata/heifmetadata.cpp@s/start = offsetBytes \+ qsizetype\(offset\)/start = 0/@HEIF EXIF parsed from libheif'"'"'s offset header'
    'image/photoloader.cpp@s/turned = true;(\s*return decodeHeif)/turned = false;$1/@HEIF JPEG keeps a stale EXIF orientation'
    'processing/processphoto.cpp@s/if \(run.options.useOutputFolder\)\n        return;\n    if \(!run.options.makeBackup\)/if (run.options.useOutputFolder || !run.options.makeBackup)\n        return;\n    if (false)/@HEIF original left in the folder when backups are off'
    'processing/processphoto.cpp@s/if \(!run.earlierMarker \|\| run.options.restampStamped\)/if (true)/@stamped photos stamped again'
    'processing/photorestore.cpp@s/\n\s*\|\| !isBackupOf\(photoFolder.absolutePath\(\), backup\)\)/)/@a forged marker brings in a file from outside Backup'
    "app/window/batchrun.cpp@s/\\[state\\] \\{ state->stop = true; \\}/[state] {}/@Cancelar leaves the batch running"
    'files/photocollection.cpp@s/if \(name == QLatin1String\(backupFolderName\)\)/if (relative.isEmpty() \&\& name == QLatin1String(backupFolderName))/@backups of subfolders processed'
    'processing/photoprocessor.cpp@s/if \(options.useOutputFolder && QFileInfo\(copyFolder\)/if (options.useOutputFolder \&\& copyFolder == options.outputFolder \&\& QFileInfo(copyFolder)/@output subfolders left unlocked'
    'files/atomicfile.cpp@s/if \(!removeLink\(path, error\)\)\n\s*return FileReplacement::NotOpened;//@written files go through links'
    'image/photoloader.cpp@s/&& bytes.size\(\) < qint64/\&\& false \&\& bytes.size() < qint64/@JPEG too small for its pixels decoded anyway'
    'metadata/exifreader.cpp@s/if \(!isPlausibleAltitude\(altitude\)\)/if (false)/@EXIF altitude off the globe kept'
    'exports/locationrecord.cpp@s/if \(dateTime.timeSpec\(\) == Qt::LocalTime\)/if (false)/@export time of unknown zone given the local offset'
    'processing/processphoto.cpp@s/if \(!readStamp\(run, metadataRead\) \|\| !place\(run\)\)/if (!place(run) || !readStamp(run, metadataRead))/@photo without a position backed up'
    'processing/stampreading.cpp@s/run.positionOutcome = PositionOutcome::Fixed;//@fixed position not reported'
    'coords/elevationclient.cpp@s/if \(stray.isEmpty\(\)\)/if (true)/@replied locations not checked against the points'
    'geo/utm.cpp@s/if \(longitude == 180.0\)/if (false)/@longitude 180 put in a zone 61'
    'exports/locationcsv.cpp@s/QStringLiteral\("=\+-\x40"\)/QStringLiteral("=")/@CSV names starting with + - @ left as formulas'
    'app/window/texttab.cpp@s/"bgText"/"backgroundText"/@profile key renamed'
    'app/window/logview.cpp@s/if \(followsEnd\)/if (false)/@log stops following its newest line'
    'app/window/cornerclash.cpp@s/if \(!options.drawData\)/if (false)/@rose warned against text that is not drawn'
    'app/window/photorenamergui.cpp@s/options->insert\(QStringLiteral\("folder"\), inputs->folder\(\)\);//@remembered options lose the photo folder'
    'app/window/previewpane.cpp@s/case Qt::Key_PageDown://@Page Down does not step the preview'
    'geo/crs.cpp@s/proj_normalize_for_visualization\(context, raw\)/proj_clone(context, raw)/@chosen system keeps its own axis order (northing first)'
    'processing/processphoto.cpp@s/stamp.captureTime, stamp.wgs84\)/stamp.captureTime)/@EXIF from a row in a chosen system taken as WGS 84 UTM'
    'coords/coordinatesrow.cpp@s/\*crs.utmZone\(\) == position.zone/true/@row of another zone read into a UTM system'
    'geo/positionname.cpp@s/if \(crs.utmZone\(\)\)/if (true)/@non-UTM system named as UTM'
    'report/reportmap.cpp@s/area.bottom\(\) - \(northing/area.top() + (northing/@report map drawn upside down'
    'metadata/photocaption.cpp@s/return simplified.isEmpty\(\) \|\| cameraTexts/return simplified.isEmpty() \&\& cameraTexts/@camera boilerplate taken for a caption'
    'report/reportfiles.cpp@s/if \(run.stopped\(\)\) \{/if (false) {/@stopped report written all the same'
    'report/photoreport.cpp@s/readPhotoLocation\(path, metadata.exif, folder, crs,/readPhotoLocation(path, metadata.exif, folder, nullptr,/@report ignores the chosen system'
    'coords/altitudefill.cpp@s/overwrite, 0, crs\}/overwrite, 0, nullptr}/@altitude fill reads a chosen system as WGS 84 UTM'
    'processing/stampreading.cpp@s/return projectIntoChosenSystem\(run\);\n    \}\n    run.lines << gpsLine/return true;\n    }\n    run.lines << gpsLine/@fixed position not projected into the chosen system'
    'stamping/overlay.cpp@s/painted << paintedArea\(painter, ink.adjusted/(void)(ink.adjusted/@stamp text left out of the areas said to be painted'
    'stamping/losslessstamp.cpp@s/    takeResolution\(original, layer\);\n//@kept-compression stamps laid out at the default resolution, not the photo'"'"'s'
    'processing/photorestore.cpp@s/QString error = wholePhotoProblem\(item.backup\);/QString error;/@restore puts back a backup that is no whole photo'
    'processing/photorestore.cpp@s/info.canonicalFilePath\(\)/info.absoluteFilePath()/@restore follows a Backup that links to another folder'
    'processing/photorestore.cpp@s/\} else if \(!moveFileToNewName\(item.backup, item.original, error\)\) \{/} else if (!QFile::remove(item.photo) || !moveFileToNewName(item.backup, item.original, error)) {/@restore deletes the stamped photo before its original is back'
    'processing/photorestore.cpp@s/for \(const auto &item : plan.items\)/for (const auto \&item : RestorePlan().items)/@restore locks only the top folder'
    'processing/photorestore.cpp@s/!isPlainFileName\(marker->originalName\)/false/@restore follows an original name with a path out of the folder'
    'metadata/metadatacopy.cpp@s/image->setXmpPacket\(split.standard\);/image->setXmpData(metadata.xmp);/@oversize XMP loses every tag'
    'metadata/metadatacopy.cpp@s/            joinExtendedXmp\(bytes, metadata.xmp\);/            ;/@Extended XMP not read back'
    'processing/processphoto.cpp@s/    if \(run.outputCopy\)\n        QFile::remove\(current\);/    if (run.outputCopy)\n        ;/@a failed photo leaves its copy in the output folder'
    'metadata/metadatacopy.cpp@s/setIccProfileBytes\(\*image, metadata.iccProfile\);/;/@colour profile dropped'
    'metadata/heifmetadata.cpp@s/metadata.iccProfile = colourProfile\(handle\);//@HEIC colour profile dropped'
    'stamping/losslessstamp.cpp@s/    work.coefficients.takeOver\(reinterpret_cast<j_common_ptr>\(&job.source\)\);\n    work.coefficients.takeOver\(reinterpret_cast<j_common_ptr>\(&job.target\)\);\n//@kept compression holds the whole coefficient arrays of libjpeg'
    'geo/crs.cpp@s/proj_context_set_enable_network\(context, 0\);//@PROJ goes online when PROJ_NETWORK asks'
    'geo/crs.cpp@s/if \(sorted == QStringList/if (true || sorted == QStringList/@westings and southings written as eastings and northings'
    'geo/crs.cpp@s/if \(entry.deprecated\)\n(\s*)warnings.prepend/if (false)\n$1warnings.prepend/@deprecated system used without a word'
    'geo/crs.cpp@s/\n\s*\|\| std::hypot\(backEasting - easting, backNorthing - northing\) > roundTripToleranceMetres//@numbers off the projection taken for a place'
    'coords/coordinatesrow.cpp@s/readMetres\(fields, position, crs.utmZone\(\).has_value\(\)\)/readMetres(fields, position, false)/@row in a chosen UTM system spared the zone ranges'
    'exports/locationexport.cpp@s/if \(!outside.isEmpty\(\)\)\n\s*log\(outside\);//@export silent about photos outside the system'"'"'s area'
    'processing/processphoto.cpp@s/run.outsideArea && run.saved/false/@summary leaves out the photos outside the system'"'"'s area'
    'processing/batchsummary.cpp@s/QString::number\(outcome.processed\(\)\), QString::number\(outcome.total\)/QString::number(outcome.done), QString::number(outcome.total)/@count line counts skipped photos as processed'
    'report/reportfiles.cpp@s/outcome.failed = !report.unreadableFiles.isEmpty\(\);//@report with unreadable files succeeds'
    'report/reportfiles.cpp@s/(log\(QStringLiteral\("Error: No se pudo leer la foto: "\) \+ path\);)\n\s*outcome.failed = true;/$1/@informe exits 0 when a located photo cannot be decoded'
    'report/reportfiles.cpp@s/if \(report.located.isEmpty\(\) && report.unlocated.isEmpty\(\)/if (false/@empty annex written for a folder without photos'
    'app/commandline/reportcommand.cpp@s/if \(!targetProblem.isEmpty\(\)\)/if (false)/@informe --salida "" writes a hidden .pdf'
    'app/commandline/command.cpp@s/if \(given && code.trimmed\(\).isEmpty\(\)\)/if (false)/@--crs "" taken as no system'
    'metadata/photocaption.cpp@s/xmpText\(metadata.xmp, "Xmp.dc.description"\),//@caption in XMP, also Extended XMP, lost'
    'stamping/overlay.cpp@s/if \(options.drawAltitude && position.altitude\)\n(\s*)blocks\[options.altitudePosition\] << altitudeText\(\*position.altitude\);/if (options.drawAltitude)\n$1blocks[options.altitudePosition] << altitudeText(position.altitude.value_or(0));/@unknown altitude stamped as 0 msnm'
    'coords/coordinatesfile.cpp@s/    record.description = descriptionField\(fields\);\n//@the description column is not read'
    "coords/coordinatesfile.cpp@s/fields.mid\(descriptionColumn\).join\(QLatin1Char\(';'\)\)/fields.value(descriptionColumn)/@a ';' cuts the description"
    'coords/samplefile.cpp@s/if \(withDescriptions\)\n            text \+=/text +=/@sample file always has the description column'
    'metadata/photodescription.cpp@s/iptc\[iptcKey\] = utf8Within\(trimmed, iptcCaptionBytes\);//@IPTC caption not written'
    'processing/processphoto.cpp@s/    setPhotoDescription\(run.metadata.exif/    if (false) setPhotoDescription(run.metadata.exif/@row description not carried into new metadata'
    'stamping/overlay.cpp@s/if \(options.drawDescription\)/if (true)/@description stamped without being asked'
    'report/photoreport.cpp@s/if \(photo.caption.isEmpty\(\)\)\n            photo.caption = captions/photo.caption = captions/@coordinates file caption wins over the photo'"'"'s own'
    'exports/locationexport.cpp@s/return !record.dateTime.isValid\(\) \|\| hasOffset\(record.dateTime\);/return true;/@photos without offset compared by instant'
    'report/openingpages.cpp@s/title.preparedBy.isEmpty\(\) \? settings.author : title.preparedBy/settings.author/@Elaborado por always the report'"'"'s responsible'
    'report/reportpdf.cpp@s/drawHeader\(\);\n        drawFooter\(\);/drawHeader();/@PDF pages without footer'
    'report/reportdocx.cpp@s/simpleField\(QStringLiteral\(" SEQ Fotograf[^)]*\), digits\);/plainRuns(digits);/@Word captions numbered as plain text'
    'report/openingpages.cpp@s/firstPage \+ i \/ perPage/firstPage + i/@index gives wrong pages'
    'report/photoreport.cpp@s/report.settings.crs.get\(\)\)\n        return crs->shortName/nullptr)\n        return crs->shortName/@summary names WGS 84 in a chosen system'
    'report/reportdocx.cpp@s/part.value\(QStringLiteral\("w:altName"\), QLatin1String\(fallbackFont\)\);//@font declared without its fallback'
    'processing/processphoto.cpp@s/    marker.system = positionSystemName\(run.stamp.position, run.context.crs.get\(\)\);\n//@stamp marker without its system'
    'report/photoreport.cpp@s/return stamped == positionSystemName\(record.position, crs\) \? QString\(\) : stamped;/return QString();/@stamps in another system not named in the caption'
    'report/reportmap.cpp@s/if \(last - first >= 2\)/if (last - first >= 1)/@two numbers in a row labelled as a range'
    'report/reportmap.cpp@s/points.at\(group.first\(\)\) - points.at\(i\)/points.at(group.last()) - points.at(i)/@a walk of close photos chains into one map label'
    'report/reportmap.cpp@s/if \(!chosen.isNull\(\)\)\n(\s*)taken.append/if (false)\n$1taken.append/@map labels placed over each other'
    'report/photoreport.cpp@s/rows.append\(\{QStringLiteral\("Ubicación"\), photo.whyUnlocated\}\);//@caption of a photo without position does not say why'
    'report/reportpdf.cpp@s/if \(!drawBlocks\(report.unlocated\)\)/if (false)/@PDF without the pictures of photos without position'
    'app/window/wheelguard.cpp@s/ \|\| control->hasFocus\(\)//@a focused control ignores the wheel'
    'app/window/wheelguard.cpp@s/QCoreApplication::sendEvent\(area->viewport\(\), event\);//@the wheel over a control does not scroll the options'
    'app/window/pathfield.cpp@s/relative \? QDir\(photoFolder\).filePath\(path\) : path/path/@a typed name alone is not looked for in the photo folder'
    'app/window/previewrender.cpp@s/, options.outputCrs,/,/@the preview keeps the reading of another coordinate system'
    'app/window/previewrender.cpp@s/QString::number\(options.leavePhotosWithoutPosition\)/QString()/@the preview keeps the reading of the other choice for photos without GPS'
    'app/window/previewrender.cpp@s/&& readStampMarker\(metadata.xmp\).has_value\(\)/\&\& false/@no "Ya estampada" while the track cannot be read'
    'processing/processphoto.cpp@s/run.nameNumber = run.context.names.numberAmong\(run.index, name\);/run.nameNumber = 0;/@photos of one position numbered in the order the threads reach them'
    'exports/locationexport.cpp@s/if \(gps->instant\)/if (false)/@exports date photos by the camera clock although the receiver'"'"'s instant is there'
    'processing/photorestore.cpp@s/if \(outcome.restored > 0\)/if (false)/@a restore does not name the location files it leaves out of date'
    'app/commandline/commandline.cpp@s/    parser.clearPositionalArguments\(\);\n/    parser.clearPositionalArguments();\n    parser.addPositionalArgument(command.name, command.summary);\n/@a command'"'"'s help lists its name as an argument'
    'app/window/helpwindow.cpp@s/browser->scrollToAnchor\(link.fragment\(\)\);/browser->scrollToAnchor(QString());/@the guide'"'"'s index links do not scroll'
    'app/window/logotab.cpp@s/tabs->setCurrentWidget\(this\);//@a run refused for want of a logo leaves the tab as it was'
    'processing/processphoto.cpp@s/image = loadPhoto\(run.source.bytes\(\), turned, reason\);/image = loadPhoto(readPhotoFile(run.workFile).bytes(), turned, reason);/@the decoder reads the photo a second time'
    'processing/stampreading.cpp@s/readPhotoMetadata\(run.source.bytes\(\), run.metadata, error\)/copyMetadata(run.photoPath, run.metadata, error)/@the metadata copy reads the photo a second time'
    'image/pixelbudget.cpp@s/ \|\| \*shares.begin\(\) == share//@photos holding their files wait for each other forever'
    'processing/stampreading.cpp@s/    run.stamp.exifPosition = LatLon \{gps->latitude, gps->longitude\};\n//@degrees stamp falls back to UTM in EXIF mode'
    'app/window/altitudefilltool.cpp@s/showEnd\(!outcome.complete\(\)/showEnd(false/@a stopped altitude fill ends in an information box'
    'coords/altitudefill.cpp@s/return \{true, job.source.stopped\(\)/return {true, false/@a stopped altitude fill told as merely incomplete'
    'app/altitudefilljob.cpp@s/if \(outcome.updated == 0\)/if (false)/@no altitude obtained told as a partial update'
    'metadata/metadatacopy.cpp@s/encoded.constData\(\) \+ head.size\(\), encoded.size\(\) - head.size\(\)/encoded.constData() + scan, encoded.size() - scan/@the scan joined back a marker too early'
    'metadata/heifmetadata.cpp@s/if \(type == heif_color_profile_type_nclx\)\n\s*return profileFromCodePoints\(handle\);\n//@Display P3 described by code points left untagged'
)

# Copies this tree (without builds) to $1, with the tests of $2 when given.
prepare() {
    local dest=$1 ref=${2:-}
    mkdir -p "$dest"
    find "$dest" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
    tar -C "$root" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$dest" --touch -xf -
    if [ -n "$ref" ]; then
        rm -rf "$dest/tests"
        git -C "$root" archive "$ref" tests | tar -x -C "$dest"
    fi
    cmake -S "$dest" -B "$dest/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DRUMBARIO_BUILD_BENCH=OFF -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld >/dev/null
    cmake --build "$dest/build" -j2 >/dev/null
}

# Prints the tests that failed in $1, or "-" when all passed.
run_suite() {
    local out
    out=$(cd "$1/build" && ctest -j2 --stop-on-failure --timeout 300 2>&1 || true)
    local failed
    failed=$(sed -n 's/^[[:space:]]*[0-9]* - \([a-z]*\) .*/\1/p' <<<"$out" | sort -u | tr '\n' ' ')
    echo "${failed:--}"
}

trees=("$work/new")
prepare "$work/new"
if [ -n "$old_ref" ]; then
    trees+=("$work/old")
    prepare "$work/old" "$old_ref"
fi

# A suite that fails without a fault would seem to catch every one.
for tree in "${trees[@]}"; do
    clean=$(run_suite "$tree")
    [ "$clean" = "-" ] || { echo "$(basename "$tree") fails without a fault: $clean" >&2; exit 1; }
done

numbers=("$@")
[ ${#numbers[@]} -gt 0 ] || numbers=($(seq 1 ${#faults[@]}))
report="$work/report.txt"
: >"$report"
for n in "${numbers[@]}"; do
    IFS='@' read -r file edit what <<<"${faults[$((n - 1))]}"
    line="$n. $what ($file):"
    for tree in "${trees[@]}"; do
        cp "$tree/$file" "$work/pristine"
        perl -0pi -e "$edit" "$tree/$file" || true
        if cmp -s "$tree/$file" "$work/pristine"; then
            result="NOT PLANTED"
        elif ! cmake --build "$tree/build" -j2 >/dev/null 2>&1; then
            result="DOES NOT BUILD"
        else
            result=$(run_suite "$tree")
        fi
        cp "$work/pristine" "$tree/$file" # a fresh time stamp: rebuilt next time
        line+=" $(basename "$tree")=[$result]"
    done
    echo "$line" | tee -a "$report"
done
for tree in "${trees[@]}"; do
    cmake --build "$tree/build" -j2 >/dev/null
done
