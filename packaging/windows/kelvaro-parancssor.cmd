@echo off
rem The Start menu's "Kelvaro parancssor" runs this with cmd.exe /k: a command prompt in the
rem user's Documents\Kelvaro, made when missing, with the program's folder on PATH. The
rem Documents folder is looked up now, as the user who opens the prompt, where Windows keeps
rem it (User Shell Folders, Personal): one moved elsewhere or redirected is found, whoever
rem ran the setup program.
set "KELVARO_PROGRAM=%~dp0"
set "PATH=%KELVARO_PROGRAM:~0,-1%;%PATH%"
set "KELVARO_DOCUMENTS=%USERPROFILE%\Documents"
for /f "tokens=1,2,*" %%a in ('reg query "HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders" /v Personal 2^>nul') do (
  if /i "%%a"=="Personal" call set "KELVARO_DOCUMENTS=%%c"
)
if not exist "%KELVARO_DOCUMENTS%\Kelvaro\" mkdir "%KELVARO_DOCUMENTS%\Kelvaro"
cd /d "%KELVARO_DOCUMENTS%\Kelvaro"
set KELVARO_PROGRAM=
set KELVARO_DOCUMENTS=
title Kelvaro parancssor
@echo on
