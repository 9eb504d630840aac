// Linked with every object of deskline_model and with nothing of the user
// interface: it builds only while no widget-free source needs a symbol of the
// user interface's library. Never run for what it does.
int main()
{
    return 0;
}
