"""The theme kit behind scripts/qvtheme.py, one module per concern:

  cli       the command line: one parser, a subcommand per module below, main()
  report    refusals the user can act on (a folder for the output that cannot be made among
            them), warnings and notes on standard error
  parts     what a theme is: its parts and their files, the cell, the theme name
  sheets    reading pictures: a sheet, a folder of pictures, a theme folder
  bitmaps   colours (the standard 16, the button greys) and the bitmap files a theme holds
  images    the floppy, CD and ZIP images, the same way for a theme disk and the release
  make      the make subcommand: pictures in, a theme folder out, whole or not at all
  check     the check subcommand: every file through the module's own check under Wine
  preview   the preview subcommand: the theme on title bars and a taskbar
  disk      the disk subcommand: themes and THEMES.INF on the three images
  importer  the import subcommand: a theme from another desktop's (a folder or an archive), its
            pictures written as make writes them, with SOURCE.TXT
  icewm     reading IceWM themes: .theme settings, the looks and their buttons
  xfwm4     reading xfwm4 themes and their larger siblings
  openbox   reading Openbox themes: themerc's textures and the XBM masks
  buttons   caption buttons from such pictures: cut, brought to size, disabled and Help drawn
  xpm       the kit's own reader of X pixmaps (x11colours.txt: X11's colour names, for systems
            without rgb.txt)

The test_*.py modules beside them are the kit's tests, run by ctest; testing.py is what they
share.
"""
