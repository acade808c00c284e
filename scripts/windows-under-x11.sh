#!/usr/bin/env bash
# Opens every window of the editor and of the local host once under a real X server
# (Xvfb) and saves its picture into <build>/tests/screenshots-xcb, as the tests do
# offscreen, and ends the program by each way out there. The drag tests stay
# offscreen: under X a drag waits for a real mouse.
set -euo pipefail
test_ui=${1:?usage: windows-under-x11.sh PATH/TO/test_ui}
command -v xvfb-run >/dev/null || { echo "windows-under-x11: xvfb-run is not installed" >&2; exit 1; }

windows=(
  'MainWindowStartup.ShowsTheMediumDemoFormWithTheTreeBetweenToolbarAndStatusBar'
  'StructureEditing.FieldsGoAfterTheSelectionOrLastIntoTheGroupAndAreStoredInOrder'
  'MainWindowSave.TheErrorListNamesTheNodesSelectsThemAndLeavesTheWidthAlone'
  'PropertiesDialog.KindSizeTitlePageAndNeighboursFollowTheNode'
  'PropertiesDialog.EditsThroughTheControlsAreStoredLoggedAndSaved'
  'PreviewTest.SingleOccurrenceShowsEveryPresentFieldInItsPlace'
  'PreviewTest.MultiOccurrenceShowsEachGroupsGridInItsBox'
  'Picker.ListsTheMainTableWithItsLabelsOneEntryPerElementAndRefusesCombinedFields'
  'GenerateForm.TheFormCodeDialogTakesOnlyAKnownTableAndItsCloseBoxIsCancel'
  'HostWindows.*'
  'About.ShowsNameVersionLabelsAndPictureAndAnswersCredits'
  'HelpViewerWindow.*'
  'ProgramRuns.*'
)
filter=$(IFS=:; echo "${windows[*]}")
QT_QPA_PLATFORM=xcb exec xvfb-run -a -s "-screen 0 1280x1024x24" "$test_ui" --gtest_filter="$filter"
