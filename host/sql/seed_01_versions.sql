-- Versions of the packages: the editor's own ("qx") and the demo workshop
-- application ("te"), whose development version holds the demo data.

INSERT INTO qxscm100 (cpac, vers, rele, cust, devl, orpa, orve, orre, orcu, actv, desc) VALUES
    ('qx', '7.6', 'a3', '', 2, 'qx', '7.6', 'a3', '', 1, 'Form design tools'),
    ('te', '7.6', 'a3', '', 2, 'te', '7.6', 'a3', '', 2, 'Workshop, standard'),
    ('te', '7.6', 'a3', 'dev', 1, 'te', '7.6', 'a3', 'dev', 1, 'Workshop, development');
