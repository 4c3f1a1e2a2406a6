// A KWin script of the tests' headless KDE desktop (scripts/headless-kde
// loads it): KDE's share dialog opens at the screen's centre, over the game's
// window, so it is moved to the screen's top-right corner, and its place is
// told in KWin's log for the tests to click into:
//   bottlewatch-share-dialog: shown X,Y WIDTHxHEIGHT   (frame, title bar included)
//   bottlewatch-share-dialog: closed
// Nothing else tells a test where the dialog is or that it is there.
var dialogClass = "org.freedesktop.impl.portal.desktop.kde";

function place(window) {
  if (window.resourceClass != dialogClass) return;
  var screen = workspace.virtualScreenGeometry;
  var frame = window.frameGeometry;
  frame.x = screen.x + screen.width - frame.width;
  frame.y = screen.y;
  window.frameGeometry = frame;
  frame = window.frameGeometry;
  print("bottlewatch-share-dialog: shown " + frame.x + "," + frame.y + " " + frame.width + "x" +
        frame.height);
  window.windowClosed.connect(function () {
    print("bottlewatch-share-dialog: closed");
  });
}

workspace.clientAdded.connect(place);
