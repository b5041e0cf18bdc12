"""Command line tool for kestrova: run, check and evaluate scenario documents."""
