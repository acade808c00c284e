#pragma once
// The form choice at start: names the form to edit (from the start record, or picked
// in the host's form browser) and completes the identity with its session.
#include <QString>

// Exit status of a run that ends because no form was chosen.
inline constexpr int kNoFormChosenExit = 4;

// Where the form browser starts when the start record names no form.
struct DefaultForm {
    const char* package = "te";
    const char* module = "kwy";
    const char* formCode = "simpled";
    const char* language = "2";
    const char* userLanguage = "2";
    const char* version = "7.6 ";
    const char* release = "a3";
    const char* customer = "dev ";
};

inline constexpr char kFormBrowserSession[] = "qxzrn3500m000";
inline constexpr char kFormTable[] = "qxzrn300";
// The fields the browser returns; "," alone follows cpac.
inline constexpr char kFormBrowserFields[] = "clan ,cpac,cmod ,cfrm ,vers ,rele ,cust ,lanl ,desc";

// Called once by the main window's start-up, after connecting and before the design
// definitions are loaded. Ends the program when the user picks no form and declines
// to pick another, and at once in open mode "i", which shows no browser.
void gSelectForm();
