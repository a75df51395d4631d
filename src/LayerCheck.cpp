// The program of the layer checks: it runs nothing; linking it is the check.
int main()
{
    return 0;
}
